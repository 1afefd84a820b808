#include "kaleidra/render/picture_output.h"

#include <algorithm>

#include "kaleidra/gl/texture_upload.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"

namespace kdr::render {

namespace {

struct Channels {
    int r = 0, g = 1, b = 2, bpp = 3;
};

bool channels_of(const ImageRecord& image, Channels& channels) {
    const int bpp = image.bytes_per_pixel;
    switch (image.format) {
        case format_rgb:
            channels = {0, 1, 2, bpp};
            break;
        case format_bgr:
            channels = {2, 1, 0, bpp};
            break;
        case format_rgba:
            channels = {0, 1, 2, bpp};
            break;
        case format_bgra:
            channels = {2, 1, 0, bpp};
            break;
        case format_abgr:
            channels = {3, 2, 1, bpp};
            break;
        case format_argb:
            channels = {1, 2, 3, bpp};
            break;
        default:
            return false;
    }
    return image_layout_supported(image.format, image.bytes_per_pixel);
}

// round(a x b / 255) for a, b in 0..255.
inline std::uint32_t scale255(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// The picture rows (counted from the top) that output rows of `rows` read
// when the picture is `height` rows and the output `output_height` rows.
void picture_rows(std::uint32_t height, std::uint32_t output_height, int rows, std::uint32_t& first,
                  std::uint32_t& end) {
    std::uint32_t out_first = 0;
    std::uint32_t out_end = output_height;
    if (rows == convert_upper_half) {
        out_end = output_height / 2;
    } else if (rows == convert_lower_half) {
        out_first = output_height / 2;
    }
    const std::uint64_t h = height;
    const std::uint64_t oh = std::max<std::uint32_t>(output_height, 1);
    first = static_cast<std::uint32_t>(out_first * h / oh);
    end = static_cast<std::uint32_t>(std::max<std::uint64_t>(out_end * h / oh, first + 1));
    end = std::min(end, height);
}

}  // namespace

int output_rows(std::uint32_t flags) {
    if ((flags & flag_lower_half) != 0) {
        return convert_lower_half;
    }
    if ((flags & flag_upper_half) != 0) {
        return convert_upper_half;
    }
    return convert_all_rows;
}

ImageRecord picture_record(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height) {
    ImageRecord picture;
    image_construct(picture);
    picture.format = format_bgr;
    picture.row_order = row_order_bottom_up;
    picture.bytes_per_pixel = 4;
    picture.alignment = 4;
    picture.width = picture.row_length = width;
    picture.height = picture.stored_rows = height;
    image_update_sizes(picture);
    picture.buffer = const_cast<std::uint8_t*>(bgra);
    return picture;
}

bool composite_over_video(std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                          const ImageRecord& video, std::uint32_t output_height, int rows,
                          std::vector<std::uint8_t>& scratch) {
    if (!image_has_pixels(video) || !gl::upload_extent_valid(video) || width == 0 || height == 0) {
        return false;
    }
    const ImageRecord* source = &video;
    ImageRecord scaled;
    if (video.width != width || video.height != height) {
        scratch.resize(std::size_t{width} * height * 4);
        scaled = picture_record(scratch.data(), width, height);
        if (!image_convert(video, scaled, convert_all_rows)) {
            return false;
        }
        source = &scaled;
    }
    Channels c;
    if (!channels_of(*source, c)) {
        return false;
    }
    std::uint32_t first = 0;
    std::uint32_t end = 0;
    picture_rows(height, output_height, rows, first, end);
    for (std::uint32_t y = first; y < end; ++y) {
        std::uint8_t* p = bgra + std::size_t{height - 1 - y} * width * 4;
        const std::uint8_t* v = image_row(*source, y);
        for (std::uint32_t x = 0; x < width; ++x, p += 4, v += c.bpp) {
            const std::uint32_t uncovered = 255u - p[3];
            if (uncovered == 0) {
                continue;
            }
            p[0] = static_cast<std::uint8_t>(std::min(255u, p[0] + scale255(uncovered, v[c.b])));
            p[1] = static_cast<std::uint8_t>(std::min(255u, p[1] + scale255(uncovered, v[c.g])));
            p[2] = static_cast<std::uint8_t>(std::min(255u, p[2] + scale255(uncovered, v[c.r])));
            p[3] = 255;
        }
    }
    return true;
}

bool copy_to_output(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
                    const ImageRecord& output, int rows) {
    const ImageRecord picture = picture_record(bgra, width, height);
    return image_convert(picture, output, rows);
}

}  // namespace kdr::render
