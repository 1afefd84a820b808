#pragma once
// Single pictures read and written by their file name's extension, for the
// tools and anything else that takes a picture file from a user:
//
//   .kdt .kdri .img   Kaleidra image files (textures, work images)
//   .bmp .dib         device-independent bitmaps
//   .tga              Targa images
//   .png              PNG
//
// Case does not matter. No state; any thread.

#include <filesystem>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr {

enum class PictureFormat { image_file, bmp, targa, png, none };

// The format the extension names, or none.
PictureFormat picture_format(const std::filesystem::path& file);

bool is_picture_file(const std::filesystem::path& file);

// The lower-case extension without its dot ("png"); empty when there is none.
std::string lower_extension(const std::filesystem::path& file);

// Reads the picture into `image`, which then owns its pixels. On failure the
// record keeps what it had and the error names the file.
[[nodiscard]] Status read_picture(ImageRecord& image, const std::filesystem::path& file);

// Writes the picture in the format the extension names; the target is
// replaced only when the whole file was written.
[[nodiscard]] Status write_picture(const ImageRecord& image, const std::filesystem::path& file);

}  // namespace kdr
