#include "kaleidra/records/image_record.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace kdr {
namespace {

std::uint32_t next_power_of_two(std::uint32_t value) {
    std::uint32_t power = 1;
    while (power < value && power <= (std::numeric_limits<std::uint32_t>::max() >> 1)) {
        power <<= 1;
    }
    return power;
}

char* copy_name(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    std::size_t length = std::strlen(name);
    auto* copy = static_cast<char*>(std::calloc(length + 1, 1));
    if (copy != nullptr) {
        std::memcpy(copy, name, length);
    }
    return copy;
}

// Copies everything but the name, the buffer, the owns flag and the offset.
void copy_geometry(ImageRecord& target, const ImageRecord& source) {
    target.format = source.format;
    target.row_order = source.row_order;
    target.bytes_per_pixel = source.bytes_per_pixel;
    target.alignment = source.alignment;
    target.width = source.width;
    target.height = source.height;
    target.row_length = source.row_length;
    target.stored_rows = source.stored_rows;
    target.skip_rows = source.skip_rows;
    target.skip_pixels = source.skip_pixels;
    std::memcpy(target.bias, source.bias, sizeof target.bias);
    target.texture_width = source.texture_width;
    target.texture_height = source.texture_height;
    target.width_ratio = source.width_ratio;
    target.height_ratio = source.height_ratio;
    target.stride = source.stride;
    target.size = source.size;
}

void free_owned_buffer(ImageRecord& image) {
    if (image.owns != 0 && image.buffer != nullptr) {
        std::free(image.buffer);
    }
    image.buffer = nullptr;
    image.owns = 0;
}

}  // namespace

void image_construct(ImageRecord& image) {
    std::memset(&image, 0, sizeof image);
}

bool image_set_shape(ImageRecord& image, const ImageShape& shape) {
    image.format = shape.format;
    image.bytes_per_pixel = shape.bytes_per_pixel;
    image.alignment = shape.alignment;
    image.row_order = shape.row_order;
    image.width = image.row_length = shape.width;
    image.height = image.stored_rows = shape.height;
    image.skip_rows = 0;
    image.skip_pixels = 0;
    image.offset = 0;
    return image_update_sizes(image);
}

bool image_update_sizes(ImageRecord& image) {
    if (image.alignment == 0) {
        return true;
    }
    const std::uint64_t row_bytes =
        static_cast<std::uint64_t>(image.row_length) * image.bytes_per_pixel;
    const std::uint64_t stride =
        image.alignment * ((row_bytes + image.alignment - 1) / image.alignment);
    const std::uint64_t size = stride * image.stored_rows;
    if (stride > std::numeric_limits<std::uint32_t>::max() ||
        size > std::numeric_limits<std::uint32_t>::max()) {
        image.stride = 0;
        image.size = 0;
        return false;
    }
    image.stride = static_cast<std::uint32_t>(stride);
    image.size = static_cast<std::uint32_t>(size);
    return true;
}

void image_free(ImageRecord& image) {
    if (image.owns == 0 || image.buffer == nullptr) {
        return;
    }
    image_release_all(image);
}

void image_release_all(ImageRecord& image) {
    std::free(image.name);
    free_owned_buffer(image);
    image_construct(image);
}

bool image_set_name(ImageRecord& image, const char* name) {
    char* copy = copy_name(name);
    if (name != nullptr && copy == nullptr) {
        return false;
    }
    std::free(image.name);
    image.name = copy;
    return true;
}

bool image_deep_copy(ImageRecord& target, const ImageRecord& source) {
    if (&target == &source) {
        return true;
    }
    bool ok = image_set_name(target, source.name);
    copy_geometry(target, source);
    free_owned_buffer(target);
    if (source.buffer != nullptr && source.size > 0) {
        target.buffer = static_cast<std::uint8_t*>(std::malloc(source.size));
        if (target.buffer != nullptr) {
            std::memcpy(target.buffer, source.buffer, source.size);
            target.owns = 1;
        } else {
            ok = false;
        }
    }
    target.offset = source.offset;
    return ok;
}

void image_shallow_copy(ImageRecord& target, const ImageRecord& source) {
    if (&target == &source) {
        return;
    }
    // A copy whose name could not be held (out of memory) still shows the
    // same pixels: names only serve messages.
    (void)image_set_name(target, source.name);
    copy_geometry(target, source);
    free_owned_buffer(target);
    target.buffer = source.buffer;
    target.owns = 0;
    target.offset = source.offset;
}

bool image_allocate(ImageRecord& image) {
    if (!image_update_sizes(image)) {
        free_owned_buffer(image);
        return false;
    }
    free_owned_buffer(image);
    if (image.size == 0) {
        return false;
    }
    image.buffer = static_cast<std::uint8_t*>(std::calloc(image.size, 1));
    if (image.buffer == nullptr) {
        return false;
    }
    image.owns = 1;
    return true;
}

void image_prepare_texture(ImageRecord& image) {
    image.texture_width = next_power_of_two(image.width);
    image.texture_height = next_power_of_two(image.height);
    image.width_ratio = static_cast<float>(image.width) / static_cast<float>(image.texture_width);
    image.height_ratio =
        static_cast<float>(image.height) / static_cast<float>(image.texture_height);
}

void image_select_field(ImageRecord& image, int parity) {
    image.offset = 0;
    std::uint32_t height = image.height;
    if (height % 2 == 1) {
        if (parity == 1) {
            image.offset = static_cast<std::int32_t>(image.stride);
        } else {
            height += 1;
        }
    } else if ((parity == 1 && image.row_order != 1) || (parity == 0 && image.row_order == 1)) {
        image.offset = static_cast<std::int32_t>(image.stride);
    }
    image.height = height / 2;
    image.stored_rows = height / 2;
    image.row_length *= 2;
    image.stride *= 2;
}

bool image_has_pixels(const ImageRecord& image) {
    return image.buffer != nullptr;
}

const char* image_format_name(std::uint8_t format) {
    switch (format) {
        case format_rgb:
            return "RGB";
        case format_bgr:
            return "BGR";
        case format_rgba:
            return "RGBA";
        case format_bgra:
            return "BGRA";
        case format_abgr:
            return "ABGR";
        case format_argb:
            return "ARGB";
        default:
            return nullptr;
    }
}

bool image_has_alpha(std::uint8_t format) {
    return (format & 16) != 0;
}

std::uint8_t* image_row(const ImageRecord& image, std::uint32_t y) {
    const std::int64_t row =
        image.row_order == row_order_top_down
            ? static_cast<std::int64_t>(y) + image.skip_rows
            : static_cast<std::int64_t>(image.height) + image.skip_rows - y - 1;
    return image.buffer + image.offset + row * static_cast<std::int64_t>(image.stride) +
           static_cast<std::int64_t>(image.bytes_per_pixel) * image.skip_pixels;
}

std::uint8_t* image_pixel(const ImageRecord& image, std::uint32_t x, std::uint32_t y) {
    return image_row(image, y) + static_cast<std::size_t>(image.bytes_per_pixel) * x;
}

void image_set_bias(ImageRecord& image, int entry, float value) {
    std::memcpy(&image.bias[entry], &value, sizeof value);
}

float image_bias(const ImageRecord& image, int entry) {
    float value = 0;
    std::memcpy(&value, &image.bias[entry], sizeof value);
    return value;
}

}  // namespace kdr
