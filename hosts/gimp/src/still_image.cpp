#include "still_image.h"

#include "kaleidra/hostkit/filter_values.h"
#include "kaleidra/hostkit/host_pictures.h"
#include "kaleidra/hostkit/still_render.h"

namespace kdr::gimp {

std::vector<std::uint8_t> engine_source(const StillImage& image) {
    std::vector<std::uint8_t> source(image.rgba);
    for (std::size_t i = 0; i < source.size() / 4; ++i) {
        const unsigned alpha = image.has_alpha ? source[i * 4 + 3] : 255u;
        const unsigned selected = i < image.selection.size() ? image.selection[i] : 255u;
        source[i * 4 + 3] = static_cast<std::uint8_t>((alpha * selected + 127) / 255);
    }
    return source;
}

StillOutcome filter_still_image(StillImage& image, const EffectSettings& settings,
                                const float (&background)[3], ProgressCallback progress) {
    Result<hostkit::FilterValues> values = hostkit::filter_values(settings);
    if (!values) {
        return {false, values.error()};
    }
    if (image.width <= 0 || image.height <= 0 || image.width > hostkit::max_picture_side ||
        image.height > hostkit::max_picture_side) {
        return {false, "Kaleidra draws pictures of 1 to " +
                           std::to_string(hostkit::max_picture_side) + " pixels a side."};
    }
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    if (image.rgba.size() != pixels * 4 ||
        (!image.selection.empty() && image.selection.size() != pixels)) {
        return {false, "The layer's pixels do not match its size."};
    }

    std::vector<std::uint8_t> source = engine_source(image);
    std::vector<std::uint8_t> output(pixels * 4, 0);

    hostkit::StillFrame still;
    still.picture.pixels = source.data();
    still.picture.format = format_rgba;
    still.picture.bytes_per_pixel = 4;
    still.picture.row_order = row_order_top_down;
    still.picture.width = static_cast<std::uint32_t>(image.width);
    still.picture.height = static_cast<std::uint32_t>(image.height);
    still.output = still.picture;
    still.output.pixels = output.data();
    still.values = *values;
    still.background[0] = background[0];
    still.background[1] = background[1];
    still.background[2] = background[2];
    still.progress = progress;
    const hostkit::StillResult rendered = hostkit::render_still(settings, still);
    if (rendered.outcome != hostkit::StillOutcome::drawn) {
        return {false, rendered.message};
    }
    for (std::size_t i = 0; i < pixels; ++i) {
        std::uint8_t* pixel = &image.rgba[i * 4];
        pixel[0] = output[i * 4];
        pixel[1] = output[i * 4 + 1];
        pixel[2] = output[i * 4 + 2];
        pixel[3] = image.has_alpha ? output[i * 4 + 3] : 255;
    }
    return {true, {}};
}

}  // namespace kdr::gimp
