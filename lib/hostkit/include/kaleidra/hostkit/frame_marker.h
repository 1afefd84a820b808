#pragma once
// The frame marker of the multisaver filters: the file "Premiere" "MSV" in
// the work folder (shared by the filters of both hosts), a chunk file of
// form "MSAV" holding three 4-byte chunks: "LFRM" the frame number the
// saved pictures belong to, "LWID" the width and "LHIT" the height. Written
// in that order, by replacing the file in one step; read in any order,
// other chunks and chunks of another length skipped.
//
// No state; any thread may call these, one writer at a time per folder.

#include <cstdint>
#include <filesystem>

#include "kaleidra/platform/result.h"

namespace kdr::hostkit {

struct FrameMarker {
    std::int32_t frame = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const FrameMarker&, const FrameMarker&) = default;
};

// The marker in `file`. A missing or unreadable file counts as all zero; a
// file cut short keeps the values read before the cut.
FrameMarker read_frame_marker(const std::filesystem::path& file);
// The same from a chunk file in memory (the fuzz target's way in).
FrameMarker read_frame_marker_bytes(const void* data, std::size_t size);

[[nodiscard]] Status write_frame_marker(const std::filesystem::path& file,
                                        const FrameMarker& marker);

}  // namespace kdr::hostkit
