#include "kaleidra/images/targa_file.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "kaleidra/images/image_limits.h"
#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/records/alpha_bias.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "record_pixels.h"

namespace kdr {
namespace {

using images_detail::load_u16;

constexpr std::size_t header_size = 18;
constexpr std::uint8_t type_true_colour = 2;
constexpr std::uint8_t type_run_length_true_colour = 10;
constexpr std::uint8_t descriptor_right_to_left = 0x10;
constexpr std::uint8_t descriptor_top_origin = 0x20;

// Largest plausible Targa file: header, identification, a colour map of
// 65535 entries of 4 bytes, and the biggest picture run-length encoded at its
// worst (one header byte per literal pixel).
constexpr std::size_t max_file_size =
    header_size + 255 + 65535 * 4 + std::size_t{max_image_bytes} * 5 / 4 + 1;

Error fault(const std::string& what) {
    return Error{"not a usable Targa image: " + what};
}

// Expands run-length packets into `target` (exactly `target_size` bytes).
// Fails when the data ends early or a packet overruns the picture.
bool expand_packets(const std::uint8_t* data, std::size_t size, std::uint8_t* target,
                    std::size_t target_size, std::size_t bpp, std::string& problem) {
    std::size_t in = 0;
    std::size_t out = 0;
    while (out < target_size) {
        if (in >= size) {
            problem = "the run-length data ends before the picture is complete";
            return false;
        }
        const std::uint8_t packet = data[in++];
        const std::size_t count = static_cast<std::size_t>(packet & 0x7F) + 1;
        const std::size_t bytes = count * bpp;
        if (bytes > target_size - out) {
            problem = "a run-length packet runs past the end of the picture";
            return false;
        }
        if (packet & 0x80) {
            if (size - in < bpp) {
                problem = "the run-length data ends inside a repeated pixel";
                return false;
            }
            for (std::size_t i = 0; i < count; ++i) {
                std::memcpy(target + out + i * bpp, data + in, bpp);
            }
            in += bpp;
        } else {
            if (size - in < bytes) {
                problem = "the run-length data ends inside a run of literal pixels";
                return false;
            }
            std::memcpy(target + out, data + in, bytes);
            in += bytes;
        }
        out += bytes;
    }
    return true;
}

void mirror_rows(std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, std::size_t bpp) {
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = pixels + static_cast<std::size_t>(y) * width * bpp;
        for (std::uint32_t left = 0, right = width - 1; left < right; ++left, --right) {
            std::swap_ranges(row + left * bpp, row + (left + 1) * bpp, row + right * bpp);
        }
    }
}

}  // namespace

Result<TargaPicture> decode_targa(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < header_size) {
        return fault("the file is shorter than the 18-byte header");
    }
    const std::uint8_t id_length = data[0];
    const std::uint8_t colour_map_type = data[1];
    const std::uint8_t image_type = data[2];
    const std::uint16_t colour_map_length = load_u16(data + 5);
    const std::uint8_t colour_map_bits = data[7];
    const std::uint16_t width = load_u16(data + 12);
    const std::uint16_t height = load_u16(data + 14);
    const std::uint8_t pixel_bits = data[16];
    const std::uint8_t descriptor = data[17];

    if (image_type != type_true_colour && image_type != type_run_length_true_colour) {
        return fault("image type " + std::to_string(image_type) +
                     " is not true colour (only types 2 and 10 are read)");
    }
    if (pixel_bits != 24 && pixel_bits != 32) {
        return fault(std::to_string(pixel_bits) + " bits a pixel (only 24 and 32 are read)");
    }
    if (width == 0 || height == 0 || width > max_image_dimension || height > max_image_dimension) {
        return fault("size " + std::to_string(width) + " x " + std::to_string(height) +
                     " is outside 1 .. " + std::to_string(max_image_dimension));
    }
    const std::size_t bpp = pixel_bits / 8;
    const std::size_t picture_size = std::size_t{width} * height * bpp;
    if (picture_size > max_image_bytes) {
        return fault("the picture would need more than " + std::to_string(max_image_bytes >> 20) +
                     " MiB");
    }

    std::size_t position = header_size + id_length;
    if (colour_map_type != 0) {
        position += (std::size_t{colour_map_length} * colour_map_bits + 7) / 8;
    }
    if (position > size) {
        return fault("the identification field or colour map runs past the end of the data");
    }
    const std::uint8_t* pixel_data = data + position;
    const std::size_t available = size - position;

    // The most pixels the data could possibly expand to is checked before
    // allocating, so a short file cannot ask for a big buffer.
    if (image_type == type_true_colour && available < picture_size) {
        return fault("the pixel data is " + std::to_string(available) + " bytes, " +
                     std::to_string(picture_size) + " expected");
    }
    if (image_type == type_run_length_true_colour &&
        (available + bpp) / (bpp + 1) * 128 * bpp < picture_size) {
        return fault("the run-length data is too short for a " + std::to_string(width) + " x " +
                     std::to_string(height) + " picture");
    }

    TargaPicture picture;
    picture.width = width;
    picture.height = height;
    picture.bytes_per_pixel = static_cast<std::uint8_t>(bpp);
    picture.top_row_first = (descriptor & descriptor_top_origin) != 0;
    picture.pixels = allocate_pixels(picture_size);
    if (!picture.pixels) {
        return Error{"out of memory for a " + std::to_string(width) + " x " +
                     std::to_string(height) + " Targa image"};
    }
    if (image_type == type_true_colour) {
        std::memcpy(picture.pixels.get(), pixel_data, picture_size);
    } else {
        std::string problem;
        if (!expand_packets(pixel_data, available, picture.pixels.get(), picture_size, bpp,
                            problem)) {
            return fault(problem);
        }
    }
    if (descriptor & descriptor_right_to_left) {
        mirror_rows(picture.pixels.get(), width, height, bpp);
    }
    return picture;
}

Status read_targa_file(ImageRecord& image, const std::filesystem::path& file) {
    Result<std::vector<std::uint8_t>> bytes = images_detail::read_file_bytes(file, max_file_size);
    if (!bytes) {
        return Error{bytes.error()};
    }
    Result<TargaPicture> picture = decode_targa(bytes->data(), bytes->size());
    if (!picture) {
        return Error{"\"" + file.string() + "\" is " + picture.error()};
    }
    ImageShape geometry;
    geometry.format = picture->bytes_per_pixel == 3 ? format_bgr : format_bgra;
    geometry.bytes_per_pixel = picture->bytes_per_pixel;
    geometry.alignment = 1;
    geometry.row_order = picture->top_row_first ? row_order_top_down : row_order_bottom_up;
    geometry.width = picture->width;
    geometry.height = picture->height;
    images_detail::adopt_pixels(image, geometry, std::move(picture->pixels));
    return Status::success();
}

Status write_targa_file(const ImageRecord& image, const std::filesystem::path& file) {
    // A picture that reads opaque everywhere (a 32-bit bitmap) is written
    // as its 24-bit twin would be.
    const bool alpha = image_alpha_varies(image);
    Result<OwnedImage> packed =
        images_detail::repack(image, alpha ? format_bgra : format_bgr, row_order_bottom_up, 1);
    if (!packed) {
        return Error{"cannot write \"" + file.string() + "\": " + packed.error()};
    }
    const ImageRecord& pixels = packed->record();
    if (pixels.width > 0xFFFF || pixels.height > 0xFFFF) {
        return Error{"cannot write \"" + file.string() + "\": a Targa image holds at most " +
                     "65535 x 65535 pixels"};
    }
    std::vector<std::uint8_t> bytes(header_size + pixels.size);
    bytes[2] = type_true_colour;
    images_detail::store_u16(&bytes[12], static_cast<std::uint16_t>(pixels.width));
    images_detail::store_u16(&bytes[14], static_cast<std::uint16_t>(pixels.height));
    bytes[16] = alpha ? 32 : 24;
    bytes[17] = alpha ? 8 : 0;  // alpha bits; origin bottom left
    std::memcpy(&bytes[header_size], pixels.buffer, pixels.size);
    return platform::write_file_atomically(file, bytes.data(), bytes.size());
}

}  // namespace kdr
