#include "kaleidra/images/picture_file.h"

#include <cctype>
#include <utility>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/images/png_file.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/records/owned_image.h"

namespace kdr {
namespace {

const char* const known_extensions = ".kdt .kdri .img .bmp .dib .tga .png";

}  // namespace

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

PictureFormat picture_format(const std::filesystem::path& file) {
    const std::string extension = lower_extension(file);
    if (extension == "kdt" || extension == "kdri" || extension == "img") {
        return PictureFormat::image_file;
    }
    if (extension == "bmp" || extension == "dib") {
        return PictureFormat::bmp;
    }
    if (extension == "tga") {
        return PictureFormat::targa;
    }
    if (extension == "png") {
        return PictureFormat::png;
    }
    return PictureFormat::none;
}

bool is_picture_file(const std::filesystem::path& file) {
    return picture_format(file) != PictureFormat::none;
}

namespace {

Status read_by_format(ImageRecord& image, const std::filesystem::path& file) {
    switch (picture_format(file)) {
        case PictureFormat::image_file:
            return read_image_file(image, file);
        case PictureFormat::bmp:
            return read_bmp_file(image, file);
        case PictureFormat::targa:
            return read_targa_file(image, file);
        case PictureFormat::png:
            return read_png_file(image, file);
        case PictureFormat::none:
            break;
    }
    return Error{"\"" + file.string() + "\" is not a picture file: its extension is none of " +
                 known_extensions};
}

}  // namespace

Status read_picture(ImageRecord& image, const std::filesystem::path& file) {
    // Read aside and handed over whole: the image file reader lets go of the
    // record's pixels before it starts, and a failed read must not.
    OwnedImage read;
    Status status = read_by_format(read.record(), file);
    if (status) {
        std::swap(image, read.record());
    }
    return status;
}

Status write_picture(const ImageRecord& image, const std::filesystem::path& file) {
    switch (picture_format(file)) {
        case PictureFormat::image_file:
            return write_image_file(image, file);
        case PictureFormat::bmp:
            return write_bmp_file(image, file);
        case PictureFormat::targa:
            return write_targa_file(image, file);
        case PictureFormat::png:
            return write_png_file(image, file);
        case PictureFormat::none:
            break;
    }
    return Error{"\"" + file.string() +
                 "\" cannot be written as a picture: its extension is none of " + known_extensions};
}

}  // namespace kdr
