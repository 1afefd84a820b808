#include "kaleidra/images/png_file.h"
#include "kaleidra/raster/canvas.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/image_record.h"

namespace kdr::raster {

bool write_png(const Canvas& canvas, const std::filesystem::path& file) {
    if (canvas.empty()) {
        return false;
    }
    ImageRecord image;
    image_construct(image);
    bool ok = canvas_to_image(canvas, image) && write_png_file(image, file).ok();
    image_release_all(image);
    return ok;
}

}  // namespace kdr::raster
