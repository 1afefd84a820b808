#include "picture_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/images/mapped_video.h"
#include "kaleidra/images/png_file.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/video/avi_reader.h"

namespace kdr::image_tool {
namespace {

std::string format_name(std::uint8_t format) {
    const char* name = image_format_name(format);
    return name != nullptr ? name : "unknown";
}

std::vector<std::string> geometry_lines(const ImageRecord& image) {
    std::vector<std::string> lines;
    auto line = [&](const std::string& name, const std::string& value) {
        lines.push_back(name + ": " + value);
    };
    line("format", std::to_string(image.format) + " (" + format_name(image.format) + ")");
    line("row order",
         std::to_string(image.row_order) +
             (image.row_order == row_order_top_down ? " (top row first)" : " (bottom row first)"));
    line("bytes per pixel", std::to_string(image.bytes_per_pixel));
    line("alignment", std::to_string(image.alignment));
    line("width", std::to_string(image.width));
    line("height", std::to_string(image.height));
    line("row length", std::to_string(image.row_length));
    line("stored rows", std::to_string(image.stored_rows));
    line("rows to skip", std::to_string(image.skip_rows));
    line("pixels to skip", std::to_string(image.skip_pixels));
    line("stride", std::to_string(image.stride));
    line("size", std::to_string(image.size));
    char bias[96];
    std::snprintf(bias, sizeof bias, "%g %g %g %g", image_bias(image, 0), image_bias(image, 1),
                  image_bias(image, 2), image_bias(image, 3));
    line("bias", bias);
    return lines;
}

}  // namespace

FileKind kind_of(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".kdt" || extension == ".kdri" || extension == ".img") {
        return FileKind::kdri;
    }
    if (extension == ".bmp" || extension == ".dib") {
        return FileKind::bmp;
    }
    if (extension == ".tga") {
        return FileKind::targa;
    }
    if (extension == ".png") {
        return FileKind::png;
    }
    if (extension == ".avi" || extension == ".mov" || extension == ".mp4" || extension == ".mkv" ||
        extension == ".mpg") {
        return FileKind::avi;
    }
    return FileKind::unknown;
}

Status load_picture(ImageRecord& image, const std::filesystem::path& file,
                    std::optional<std::uint32_t> frame) {
    switch (kind_of(file)) {
        case FileKind::kdri:
            if (!read_image_file(image, file)) {
                return Error{"\"" + file.string() + "\" cannot be read as a Kaleidra image file"};
            }
            return Status::success();
        case FileKind::bmp:
            return frame ? load_mapped_video_frame(image, file.string(), mapped_bitmap_sequence,
                                                   *frame)
                         : read_bmp_file(image, file);
        case FileKind::targa:
            return frame ? load_mapped_video_frame(image, file.string(), mapped_targa_sequence,
                                                   *frame)
                         : read_targa_file(image, file);
        case FileKind::png:
            if (frame) {
                return Error{"--frame applies to videos and .bmp or .tga sequences, not PNG"};
            }
            return read_png_file(image, file);
        case FileKind::avi:
            return load_mapped_video_frame(image, file.string(), mapped_avi, frame.value_or(0));
        case FileKind::unknown:
            break;
    }
    return Error{"\"" + file.string() +
                 "\" has an extension kdr-image does not know (.kdt .kdri .img .bmp .tga .png "
                 ".avi)"};
}

Status check_writable(const std::filesystem::path& file) {
    switch (kind_of(file)) {
        case FileKind::avi:
            return Error{"kdr-image writes pictures, not videos: \"" + file.string() + "\""};
        case FileKind::unknown:
            return Error{"\"" + file.string() +
                         "\" has an extension kdr-image cannot write (.kdt .kdri .img .bmp .tga "
                         ".png)"};
        default:
            return Status::success();
    }
}

Status save_picture(const ImageRecord& image, const std::filesystem::path& file) {
    if (Status writable = check_writable(file); !writable) {
        return writable;
    }
    switch (kind_of(file)) {
        case FileKind::kdri:
            if (!write_image_file(image, file)) {
                return Error{"cannot write \"" + file.string() + "\""};
            }
            return Status::success();
        case FileKind::bmp:
            return write_bmp_file(image, file);
        case FileKind::targa:
            return write_targa_file(image, file);
        case FileKind::png:
            return write_png_file(image, file);
        case FileKind::avi:
        case FileKind::unknown:
            break;
    }
    return check_writable(file);
}

Result<std::vector<std::string>> describe_file(const std::filesystem::path& file) {
    if (kind_of(file) == FileKind::avi) {
        Result<video::AviReader> reader = video::AviReader::open(file);
        if (!reader) {
            return Error{reader.error()};
        }
        return std::vector<std::string>{
            "codec: " + reader->codec_name(),
            "width: " + std::to_string(reader->width()),
            "height: " + std::to_string(reader->height()),
            "length: " + std::to_string(reader->length()) + " frames",
            "rate: " + std::to_string(reader->rate()) + " / " + std::to_string(reader->scale()) +
                " frames per second",
        };
    }
    ImageRecord image;
    image_construct(image);
    Status loaded = load_picture(image, file, std::nullopt);
    if (!loaded) {
        image_release_all(image);
        return Error{loaded.error()};
    }
    std::vector<std::string> lines = geometry_lines(image);
    image_release_all(image);
    return lines;
}

}  // namespace kdr::image_tool
