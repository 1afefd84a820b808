#pragma once
// What both multisaver filters do with a frame of their track: save its
// picture in the work folder under the next free number from 3 to 20
// ("V%02d" for Speed Razor, "V%02d%d" with the field's parity digit for
// Premiere, extension "IMG", an image file of form "KDRI"), where the
// transition of the same frame loads it as an extra image. The frame
// marker ("Premiere" "MSV", frame_marker.h) says which frame and size the
// saved pictures belong to: the first filter to run for another frame or
// size deletes them all and starts again from 3.
//
// A frame rendered twice keeps its marker, so a second pass over the same
// frame numbers its pictures after the first pass's (and, with all 18
// numbers taken, saves nothing). Hosts render a frame's filters once
// before its transition.
//
// Each picture goes to a temporary file that is renamed over the target, so
// a transition reading the folder never sees half a file. No state of its
// own; called from the host's thread, one frame at a time.

#include <cstdint>
#include <optional>

#include "kaleidra/host/host_frame.h"

namespace kdr::multisaver {

inline constexpr int first_number = 3;
inline constexpr int last_number = 20;

struct FrameToSave {
    std::int32_t frame = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int parity_digit = -1;  // -1: names without a digit (Speed Razor)
    // The track's picture in the host's memory: 32-bit blue, green, red,
    // alpha, rows bottom first.
    host::HostPicture picture;
};

// The number the picture was saved under, or nothing (no installation
// folder, every number taken, or the file could not be written).
std::optional<int> save_frame(const FrameToSave& frame);

// "V03", or "V030" with a digit.
std::string work_image_name(int number, int parity_digit);

}  // namespace kdr::multisaver
