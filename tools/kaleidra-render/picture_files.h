#pragma once
// Reading and writing single pictures by their file extension: .bmp, .tga,
// .png, and the package's own work images (.img).

#include <filesystem>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::render_tool {

// True for the extensions read_picture() knows (any case).
bool is_picture_file_name(const std::filesystem::path& file);
// True for the extensions write_picture() knows.
bool is_writable_picture_name(const std::filesystem::path& file);

// Reads the picture into `image`, which then owns its pixels.
Status read_picture(ImageRecord& image, const std::filesystem::path& file);
Status write_picture(const ImageRecord& image, const std::filesystem::path& file);

// The lower-case extension without its dot ("png").
std::string lower_extension(const std::filesystem::path& file);

}  // namespace kdr::render_tool
