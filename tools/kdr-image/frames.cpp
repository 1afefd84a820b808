#include "frames.h"

#include <cstdio>

#include "kaleidra/images/mapped_video.h"
#include "kaleidra/images/picture_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"
#include "kaleidra/video/avi_reader.h"
#include "kaleidra/video/video_files.h"

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

bool is_video_file(const std::filesystem::path& file) {
    return video::is_video_file_name(file);
}

Status load_picture(ImageRecord& image, const std::filesystem::path& file,
                    std::optional<std::uint32_t> frame) {
    if (is_video_file(file)) {
        return load_mapped_video_frame(image, file.string(), mapped_avi, frame.value_or(0));
    }
    if (!frame) {
        return read_picture(image, file);
    }
    switch (picture_format(file)) {
        case PictureFormat::bmp:
            return load_mapped_video_frame(image, file.string(), mapped_bitmap_sequence, *frame);
        case PictureFormat::targa:
            return load_mapped_video_frame(image, file.string(), mapped_targa_sequence, *frame);
        default:
            return Error{"--frame applies to videos and .bmp or .tga sequences, not \"" +
                         file.string() + "\""};
    }
}

Status check_writable(const std::filesystem::path& file) {
    if (is_video_file(file)) {
        return Error{"kdr-image writes pictures, not videos: \"" + file.string() + "\""};
    }
    if (!is_picture_file(file)) {
        return Error{"\"" + file.string() +
                     "\" has an extension kdr-image cannot write (.kdt .kdri .img .bmp .tga "
                     ".png)"};
    }
    return Status::success();
}

Result<std::vector<std::string>> describe_file(const std::filesystem::path& file) {
    if (is_video_file(file)) {
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
    OwnedImage image;
    if (Status loaded = load_picture(image.record(), file, std::nullopt); !loaded) {
        return Error{loaded.error()};
    }
    return geometry_lines(image.record());
}

}  // namespace kdr::image_tool
