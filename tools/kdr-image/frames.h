#pragma once
// What kdr-image reads beyond plain pictures (kaleidra/images/picture_file.h
// reads and writes those by extension): frames of videos and of numbered
// picture sequences, and the description of a file's geometry.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::image_tool {

// The movies the video services read, by extension (any case): .avi, .mp4,
// .mov, .mkv, .webm, .ts and the others of kaleidra/video/video_files.h.
bool is_video_file(const std::filesystem::path& file);

// Loads a picture. With `frame`, a .bmp or .tga names a numbered sequence and
// a video gives that frame, through the loaders the engines use; a video
// without `frame` gives frame 0.
[[nodiscard]] Status load_picture(ImageRecord& image, const std::filesystem::path& file,
                                  std::optional<std::uint32_t> frame);

// Whether a picture can be written to this name, checked before any work.
[[nodiscard]] Status check_writable(const std::filesystem::path& file);

// Lines describing a picture's geometry, or a video's length, rate, size and
// codec.
[[nodiscard]] Result<std::vector<std::string>> describe_file(const std::filesystem::path& file);

}  // namespace kdr::image_tool
