#include "kaleidra/records/alpha_bias.h"

#include <cmath>

#include "kaleidra/records/image_record.h"

namespace kdr {

int image_alpha_offset(const ImageRecord& image) {
    if (!image_has_alpha(image.format)) {
        return 0;
    }
    const float bias = image_bias(image, 3);
    if (!(bias == bias)) {
        return 0;  // not a number: no bias
    }
    if (bias >= 1.0f) {
        return 255;
    }
    if (bias <= -1.0f) {
        return -255;
    }
    return static_cast<int>(std::lround(bias * 255.0f));
}

bool image_alpha_varies(const ImageRecord& image) {
    return image_has_alpha(image.format) && image_alpha_offset(image) < 255;
}

void offset_alpha_row(std::uint8_t* row, std::uint8_t format, std::uint32_t width, int offset) {
    if (offset == 0 || !image_has_alpha(format)) {
        return;
    }
    // RGBA and BGRA keep alpha last, ABGR and ARGB first.
    const int at = format == format_abgr || format == format_argb ? 0 : 3;
    std::uint8_t* alpha = row + at;
    if (offset >= 255) {
        for (std::uint32_t x = 0; x < width; ++x, alpha += 4) {
            *alpha = 255;
        }
        return;
    }
    for (std::uint32_t x = 0; x < width; ++x, alpha += 4) {
        const int value = *alpha + offset;
        *alpha = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
}

}  // namespace kdr
