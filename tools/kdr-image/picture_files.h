#pragma once
// The picture files kdr-image reads and writes, told apart by extension.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::image_tool {

enum class FileKind { kdri, bmp, targa, png, avi, unknown };

// .kdt, .kdri and .img are image files; .bmp, .tga, .png; .avi (and other
// movie extensions FFmpeg reads) are videos. Case does not matter.
FileKind kind_of(const std::filesystem::path& file);

// Loads a picture. With `frame`, a .bmp or .tga names a numbered sequence and
// a video gives that frame, through the loaders the engines use; a video
// without `frame` gives frame 0.
Status load_picture(ImageRecord& image, const std::filesystem::path& file,
                    std::optional<std::uint32_t> frame);

// Whether save_picture can write a file of this name, checked before any
// work is done.
Status check_writable(const std::filesystem::path& file);

Status save_picture(const ImageRecord& image, const std::filesystem::path& file);

// Lines describing a picture's geometry, or a video's length, rate, size and
// codec.
Result<std::vector<std::string>> describe_file(const std::filesystem::path& file);

}  // namespace kdr::image_tool
