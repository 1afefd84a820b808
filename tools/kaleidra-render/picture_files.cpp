#include "picture_files.h"

#include <cctype>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/images/png_file.h"
#include "kaleidra/images/targa_file.h"

namespace kdr::render_tool {

std::string lower_extension(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    if (!extension.empty()) {
        extension.erase(0, 1);
    }
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension;
}

bool is_picture_file_name(const std::filesystem::path& file) {
    const std::string extension = lower_extension(file);
    return extension == "bmp" || extension == "tga" || extension == "png" || extension == "img";
}

bool is_writable_picture_name(const std::filesystem::path& file) {
    const std::string extension = lower_extension(file);
    return extension == "bmp" || extension == "tga" || extension == "png";
}

Status read_picture(ImageRecord& image, const std::filesystem::path& file) {
    const std::string extension = lower_extension(file);
    if (extension == "bmp") {
        return read_bmp_file(image, file);
    }
    if (extension == "tga") {
        return read_targa_file(image, file);
    }
    if (extension == "png") {
        return read_png_file(image, file);
    }
    if (extension == "img") {
        if (!read_image_file(image, file)) {
            return Error{"\"" + file.string() + "\" is not a readable work image"};
        }
        return Status::success();
    }
    return Error{"\"" + file.string() + "\" is not a BMP, TGA, PNG or IMG picture"};
}

Status write_picture(const ImageRecord& image, const std::filesystem::path& file) {
    const std::string extension = lower_extension(file);
    if (extension == "bmp") {
        return write_bmp_file(image, file);
    }
    if (extension == "tga") {
        return write_targa_file(image, file);
    }
    if (extension == "png") {
        return write_png_file(image, file);
    }
    return Error{"cannot write pictures of type \"" + extension + "\""};
}

}  // namespace kdr::render_tool
