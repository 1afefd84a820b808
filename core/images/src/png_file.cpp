#include "kaleidra/images/png_file.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "kaleidra/images/image_limits.h"
#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/records/alpha_bias.h"
#include "kaleidra/records/image_record.h"
#include "record_pixels.h"

namespace kdr {
namespace {

struct StbFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

void append_bytes(void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes->insert(bytes->end(), begin, begin + size);
}

}  // namespace

Status read_png_file(ImageRecord& image, const std::filesystem::path& file) {
    Result<std::vector<std::uint8_t>> bytes =
        images_detail::read_file_bytes(file, std::size_t{max_image_bytes} * 2);
    if (!bytes) {
        return Error{bytes.error()};
    }
    const std::string name = "\"" + file.string() + "\"";
    if (bytes->size() > INT_MAX) {
        return Error{name + " is too large"};
    }
    const int length = static_cast<int>(bytes->size());
    int width = 0;
    int height = 0;
    int channels = 0;
    // The size is checked before the decoder allocates the picture.
    if (!stbi_info_from_memory(bytes->data(), length, &width, &height, &channels)) {
        return Error{name + " is not a readable picture: " + stbi_failure_reason()};
    }
    if (width <= 0 || height <= 0 || static_cast<std::uint32_t>(width) > max_image_dimension ||
        static_cast<std::uint32_t>(height) > max_image_dimension) {
        return Error{name + " has size " + std::to_string(width) + " x " + std::to_string(height) +
                     ", outside 1 .. " + std::to_string(max_image_dimension)};
    }
    const int wanted = channels == 2 || channels == 4 ? 4 : 3;
    std::unique_ptr<stbi_uc, StbFree> pixels(
        stbi_load_from_memory(bytes->data(), length, &width, &height, &channels, wanted));
    if (!pixels) {
        return Error{name + " cannot be decoded: " + stbi_failure_reason()};
    }
    const std::size_t size = static_cast<std::size_t>(width) * height * wanted;
    PixelBuffer buffer = allocate_pixels(size);
    if (!buffer) {
        return Error{"out of memory for " + name};
    }
    std::memcpy(buffer.get(), pixels.get(), size);
    ImageShape geometry;
    geometry.format = wanted == 4 ? format_rgba : format_rgb;
    geometry.bytes_per_pixel = static_cast<std::uint8_t>(wanted);
    geometry.alignment = 1;
    geometry.row_order = row_order_top_down;
    geometry.width = static_cast<std::uint32_t>(width);
    geometry.height = static_cast<std::uint32_t>(height);
    images_detail::adopt_pixels(image, geometry, std::move(buffer));
    return Status::success();
}

Status write_png_file(const ImageRecord& image, const std::filesystem::path& file) {
    // A picture that reads opaque everywhere (a 32-bit bitmap) is written
    // as its 24-bit twin would be.
    const bool alpha = image_alpha_varies(image);
    Result<OwnedImage> packed =
        images_detail::repack(image, alpha ? format_rgba : format_rgb, row_order_top_down, 1);
    if (!packed) {
        return Error{"cannot write \"" + file.string() + "\": " + packed.error()};
    }
    const ImageRecord& pixels = packed->record();
    std::vector<std::uint8_t> bytes;
    if (!stbi_write_png_to_func(&append_bytes, &bytes, static_cast<int>(pixels.width),
                                static_cast<int>(pixels.height), pixels.bytes_per_pixel,
                                pixels.buffer, static_cast<int>(pixels.stride))) {
        return Error{"cannot encode \"" + file.string() + "\" as PNG"};
    }
    return platform::write_file_atomically(file, bytes.data(), bytes.size());
}

}  // namespace kdr
