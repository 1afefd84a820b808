// Decodes arbitrary bytes as a device-independent bitmap file.
#include <cstddef>
#include <cstdint>

#include "kaleidra/images/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kdr::Result<kdr::BitmapPicture> picture = kdr::decode_bmp(data, size);
    if (picture) {
        const std::int64_t rows =
            picture->height < 0 ? -std::int64_t{picture->height} : std::int64_t{picture->height};
        const std::size_t bytes = std::size_t{picture->stride} * static_cast<std::size_t>(rows);
        if (picture->stride < picture->width * picture->bytes_per_pixel || picture->stride % 4) {
            __builtin_trap();  // rows are padded, never cut
        }
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            sum += picture->pixels[i];
        }
        (void)sum;
    }
    return 0;
}
