#pragma once
// Image files (form "KDRI"), the image chunk embedded in effect files
// ("IMG0") and texture files ("Textures" / name ".KDT").
//
// Readers treat their input as hostile: geometry is checked against
// image_limits.h before anything is allocated; a failed read leaves the
// record without new pixels and says why.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr {

// Reads a KDRI file. Chunks come in any order, but IDAT must follow the
// geometry chunks; unknown chunks are skipped; an IDAT shorter than the
// computed size leaves the rest zero. Frees the record's owned buffer first.
// Succeeds when pixels were read; the name then becomes the file name.
[[nodiscard]] Status read_image_file(ImageRecord& image, const std::filesystem::path& file);

// Writes IFMT, IORD, IBPP, IALN, IWID, IHIT, IPXR, ITRW, ISKR, ISKP, IBIS and
// IDAT (the whole buffer), stopping at the first failed write. The target is
// replaced only when every write succeeded.
[[nodiscard]] Status write_image_file(const ImageRecord& image, const std::filesystem::path& file);

// The embedded image chunk: byte 0 format, 1 row order, 2 bytes per pixel,
// 3 alignment, u32 width, height, row length, stored rows, rows to skip,
// pixels to skip at 4..27, the bias block at 28, pixels from 44. Loading
// replaces any owned buffer, sets offset 0 and owns = 1.
[[nodiscard]] Status read_embedded_image(ImageRecord& image, const std::uint8_t* data,
                                         std::uint32_t length);
std::vector<std::uint8_t> write_embedded_image(const ImageRecord& image);
inline constexpr std::uint32_t embedded_image_header_size = 44;

// Loads the texture named `name`: the KDRI file "Textures" / name ".KDT"
// below the installation folder.
[[nodiscard]] Status load_texture_file(ImageRecord& image, const char* name);

}  // namespace kdr
