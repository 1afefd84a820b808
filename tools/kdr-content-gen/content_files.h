#pragma once
// Writing the generated content into folders: the textures (KDRI files with
// the extension KDT) and the sample media (AVI clips, BMP and Targa
// pictures). With a PNG folder, every picture (and each clip's first frame)
// is also written as PNG for people to look at. Progress and errors go to
// standard output and standard error; the result is an exit status (0 on
// success, 1 when a file could not be written).

#include <filesystem>

namespace kdr::content {

int write_textures(const std::filesystem::path& folder, const std::filesystem::path& png_folder);
int write_samples(const std::filesystem::path& folder, const std::filesystem::path& png_folder);

}  // namespace kdr::content
