#pragma once
// PNG files for people and tests: contact sheets, screenshots, pictures
// compared with what a renderer made. Not a format the engines read.

#include <filesystem>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr {

// Reads a PNG into `image`: format 1 (RGB) or 16 (RGBA, when the file has
// alpha), top row first, alignment 1, no skips; the record owns the new
// buffer. Grey pictures become RGB. On failure the record keeps what it had.
Status read_png_file(ImageRecord& image, const std::filesystem::path& file);

// Writes any of the six formats as an 8-bit RGB or RGBA PNG (RGBA when the
// format has alpha). The target is replaced only when the whole file was
// written.
Status write_png_file(const ImageRecord& image, const std::filesystem::path& file);

}  // namespace kdr
