#include "layer_pictures.h"

#include <string>

#include "kaleidra/hostkit/host_pictures.h"

namespace kdr::aftereffects {

Result<host::HostPicture> layer_picture(const hostkit::AeLayer& layer) {
    if (layer.data == nullptr) {
        return Error{"the layer has no pixels"};
    }
    if (layer.width <= 0 || layer.height <= 0 || layer.width > hostkit::max_picture_side ||
        layer.height > hostkit::max_picture_side) {
        return Error{"the layer is " + std::to_string(layer.width) + " x " +
                     std::to_string(layer.height) + " pixels"};
    }
    if (layer.row_bytes < layer.width * 4 || layer.row_bytes % 4 != 0) {
        return Error{"rows of " + std::to_string(layer.row_bytes) + " bytes do not hold " +
                     std::to_string(layer.width) + " pixels"};
    }
    host::HostPicture picture;
    picture.pixels = layer.data;
    picture.format = format_argb;
    picture.bytes_per_pixel = 4;
    picture.row_order = row_order_top_down;
    picture.alignment = 1;
    picture.width = static_cast<std::uint32_t>(layer.width);
    picture.height = static_cast<std::uint32_t>(layer.height);
    picture.row_length = static_cast<std::uint32_t>(layer.row_bytes / 4);
    return picture;
}

RgbaCopy::RgbaCopy(const host::HostPicture& picture)
    : m_pixels(std::size_t{picture.width} * picture.height * 4) {
    const auto* from = static_cast<const std::uint8_t*>(picture.pixels);
    const std::size_t row_bytes = std::size_t{picture.row_length} * 4;
    std::uint8_t* to = m_pixels.data();
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        const std::uint8_t* pixel = from + y * row_bytes;
        for (std::uint32_t x = 0; x < picture.width; ++x, pixel += 4, to += 4) {
            to[0] = pixel[1];
            to[1] = pixel[2];
            to[2] = pixel[3];
            to[3] = pixel[0];
        }
    }
    m_picture.pixels = m_pixels.data();
    m_picture.format = format_rgba;
    m_picture.bytes_per_pixel = 4;
    m_picture.row_order = row_order_top_down;
    m_picture.alignment = 1;
    m_picture.width = picture.width;
    m_picture.height = picture.height;
}

}  // namespace kdr::aftereffects
