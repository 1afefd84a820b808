#pragma once
// Envelope files (form "KENV", extension "env") and path files (form
// "KPTH", extension "pth"): one envelope or one path kept for reuse, as a
// chunked file holding exactly one chunk, "ENV0" or "PTH0", laid out as
// the same chunk inside effect files (item header, then the keys).
//
// Reading treats the file as hostile: the key count is checked against the
// chunk's length before anything is allocated, and a file whose keys could
// not be edited (no key, a time outside 0..1 or out of order, a value that
// is not a finite number) is refused as unreadable. An envelope read from a
// file is completed with end keys at 0 and 1 as every envelope chunk is.
// Writing goes to a temporary file that replaces the target only when the
// whole file was written. No state; any thread.

#include <filesystem>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/scene/items.h"

namespace kdr {

inline constexpr chunks::ChunkId envelope_file_form = chunks::make_id("KENV");
inline constexpr chunks::ChunkId path_file_form = chunks::make_id("KPTH");

enum class ItemFileRead {
    read,         // the first chunk was the item's and the item was read
    other_chunk,  // the file's first chunk is of another kind: nothing read
    unreadable,   // the file cannot be opened as such a file, or its first
                  // chunk cannot be read, or the chunk's contents are unusable
};

// Reads the file's first chunk into `envelope` (header and keys) or `path`;
// on anything but `read` the item is left as it was.
ItemFileRead read_envelope_file(const std::filesystem::path& file, scene::Envelope& envelope);
ItemFileRead read_path_file(const std::filesystem::path& file, scene::Path& path);

// The item of an "ENV0" or "PTH0" chunk, with the checks above; false,
// leaving the item as it was, when the chunk is unusable. For the readers
// above, the fuzz targets and the dump tool.
bool envelope_from_chunk(const chunks::Chunk& chunk, scene::Envelope& envelope);
bool path_from_chunk(const chunks::Chunk& chunk, scene::Path& path);

// Writes the file with the item's chunk; the error names the file.
Status write_envelope_file(const std::filesystem::path& file, const scene::Envelope& envelope);
Status write_path_file(const std::filesystem::path& file, const scene::Path& path);

}  // namespace kdr
