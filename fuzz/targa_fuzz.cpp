// Decodes arbitrary bytes as a Targa image.
#include <cstddef>
#include <cstdint>

#include "kaleidra/images/targa_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kdr::Result<kdr::TargaPicture> picture = kdr::decode_targa(data, size);
    if (picture) {
        // Touch every pixel byte so a short buffer would show.
        const std::size_t bytes =
            std::size_t{picture->width} * picture->height * picture->bytes_per_pixel;
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            sum += picture->pixels[i];
        }
        if (picture->width == 0 || picture->height == 0) {
            __builtin_trap();  // a decoded picture always has pixels
        }
        (void)sum;
    }
    return 0;
}
