#include "kaleidra/images/bmp_file.h"

#include <cstring>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "kaleidra/images/image_limits.h"
#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/records/image_record.h"
#include "record_pixels.h"

namespace kdr {
namespace {

using images_detail::load_u16;
using images_detail::load_u32;
using images_detail::store_u16;
using images_detail::store_u32;

constexpr std::size_t file_header_size = 14;
constexpr std::size_t info_header_size = 40;
constexpr std::uint32_t compression_none = 0;
constexpr std::uint32_t compression_bit_fields = 3;

// Headers, bit fields and the largest picture with row padding.
constexpr std::size_t max_file_size = std::size_t{max_image_bytes} + 4096 + 4 * max_image_dimension;

Error fault(const std::string& what) {
    return Error{"not a usable bitmap: " + what};
}

// Bit fields must name the bytes of a BGRA pixel; other layouts (16-bit
// style masks, swapped channels) are not read.
bool plain_bit_fields(const std::uint8_t* masks) {
    return load_u32(masks) == 0x00FF0000u && load_u32(masks + 4) == 0x0000FF00u &&
           load_u32(masks + 8) == 0x000000FFu;
}

}  // namespace

Result<BitmapPicture> decode_bmp(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < file_header_size + info_header_size) {
        return fault("the data is shorter than the bitmap headers");
    }
    if (data[0] != 'B' || data[1] != 'M') {
        return fault("the magic number is not \"BM\"");
    }
    const std::uint32_t pixel_offset = load_u32(data + 10);
    const std::uint8_t* info = data + file_header_size;
    const std::uint32_t info_size = load_u32(info);
    const auto width = static_cast<std::int32_t>(load_u32(info + 4));
    const auto height = static_cast<std::int32_t>(load_u32(info + 8));
    const std::uint16_t planes = load_u16(info + 12);
    const std::uint16_t bits = load_u16(info + 14);
    const std::uint32_t compression = load_u32(info + 16);

    if (info_size < info_header_size || info_size > size - file_header_size) {
        return fault("the information header size " + std::to_string(info_size) +
                     " does not fit the data");
    }
    if (planes != 1) {
        return fault(std::to_string(planes) + " planes (1 expected)");
    }
    if (bits != 24 && bits != 32) {
        return fault(std::to_string(bits) + " bits a pixel (only 24 and 32 are read)");
    }
    if (compression == compression_bit_fields && bits == 32) {
        // The masks follow a 40-byte header, or are part of a longer one.
        const std::size_t masks = file_header_size + info_header_size;
        if (masks + 12 > size || !plain_bit_fields(data + masks)) {
            return fault("its bit fields are not plain blue, green and red bytes");
        }
    } else if (compression != compression_none) {
        return fault("compression " + std::to_string(compression) + " is not read");
    }
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : std::int64_t{height};
    if (width <= 0 || rows == 0 || width > static_cast<std::int64_t>(max_image_dimension) ||
        rows > max_image_dimension) {
        return fault("size " + std::to_string(width) + " x " + std::to_string(height) +
                     " is outside 1 .. " + std::to_string(max_image_dimension));
    }
    const std::size_t bpp = bits / 8;
    const std::size_t stride = (static_cast<std::size_t>(width) * bpp + 3) / 4 * 4;
    const std::size_t pixel_size = stride * static_cast<std::size_t>(rows);
    if (pixel_size > max_image_bytes) {
        return fault("the picture would need more than " + std::to_string(max_image_bytes >> 20) +
                     " MiB");
    }
    if (pixel_offset < file_header_size + info_size || pixel_offset > size ||
        size - pixel_offset < pixel_size) {
        return fault("the pixel data at offset " + std::to_string(pixel_offset) + " holds " +
                     std::to_string(pixel_offset <= size ? size - pixel_offset : 0) + " bytes, " +
                     std::to_string(pixel_size) + " expected");
    }

    BitmapPicture picture;
    picture.width = static_cast<std::uint32_t>(width);
    picture.height = height;
    picture.bytes_per_pixel = static_cast<std::uint8_t>(bpp);
    picture.stride = static_cast<std::uint32_t>(stride);
    picture.pixels = allocate_pixels(pixel_size);
    if (!picture.pixels) {
        return Error{"out of memory for a " + std::to_string(width) + " x " + std::to_string(rows) +
                     " bitmap"};
    }
    std::memcpy(picture.pixels.get(), data + pixel_offset, pixel_size);
    return picture;
}

Status read_bmp_file(ImageRecord& image, const std::filesystem::path& file) {
    Result<std::vector<std::uint8_t>> bytes = images_detail::read_file_bytes(file, max_file_size);
    if (!bytes) {
        return Error{bytes.error()};
    }
    Result<BitmapPicture> picture = decode_bmp(bytes->data(), bytes->size());
    if (!picture) {
        return Error{"\"" + file.string() + "\" is " + picture.error()};
    }
    const bool four = picture->bytes_per_pixel == 4;
    ImageShape geometry;
    geometry.format = four ? format_bgra : format_bgr;
    geometry.bytes_per_pixel = picture->bytes_per_pixel;
    geometry.alignment = 4;
    geometry.row_order = picture->height <= 0 ? row_order_top_down : row_order_bottom_up;
    geometry.width = picture->width;
    geometry.height = static_cast<std::uint32_t>(
        picture->height < 0 ? -std::int64_t{picture->height} : picture->height);
    images_detail::adopt_pixels(image, geometry, std::move(picture->pixels));
    if (four) {
        image_set_bias(image, 3, 255.0f);
    }
    return Status::success();
}

Status write_bmp_file(const ImageRecord& image, const std::filesystem::path& file) {
    const bool alpha = image_has_alpha(image.format);
    Result<OwnedImage> packed =
        images_detail::repack(image, alpha ? format_bgra : format_bgr, row_order_bottom_up, 4);
    if (!packed) {
        return Error{"cannot write \"" + file.string() + "\": " + packed.error()};
    }
    const ImageRecord& pixels = packed->record();
    const std::size_t headers = file_header_size + info_header_size;
    std::vector<std::uint8_t> bytes(headers + pixels.size);
    bytes[0] = 'B';
    bytes[1] = 'M';
    store_u32(&bytes[2], static_cast<std::uint32_t>(bytes.size()));
    store_u32(&bytes[10], static_cast<std::uint32_t>(headers));
    std::uint8_t* info = &bytes[file_header_size];
    store_u32(info, info_header_size);
    store_u32(info + 4, pixels.width);
    store_u32(info + 8, pixels.height);
    store_u16(info + 12, 1);
    store_u16(info + 14, alpha ? 32 : 24);
    store_u32(info + 16, compression_none);
    store_u32(info + 20, pixels.size);
    store_u32(info + 24, 2835);  // 72 dots per inch
    store_u32(info + 28, 2835);
    std::memcpy(&bytes[headers], pixels.buffer, pixels.size);
    return platform::write_file_atomically(file, bytes.data(), bytes.size());
}

}  // namespace kdr
