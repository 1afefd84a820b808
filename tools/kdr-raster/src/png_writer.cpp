#include "kaleidra/raster/canvas.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace kdr::raster {

bool write_png(const Canvas& canvas, const std::filesystem::path& file) {
    if (canvas.empty()) {
        return false;
    }
    return stbi_write_png(file.string().c_str(), canvas.width(), canvas.height(), 3,
                          canvas.bytes().data(), canvas.width() * 3) != 0;
}

}  // namespace kdr::raster
