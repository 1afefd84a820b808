#pragma once
// The GIMP plug-in's render core, apart from GIMP: one frame of an effect
// drawn onto a layer's pixels exactly as the Photoshop filter draws it. The
// layer (8-bit red, green, blue, alpha, top row first, as GIMP hands an
// 8-bit filter its pixels whatever the image's precision) becomes the
// video the filter source names, with alpha = its own alpha x the
// selection's; the engine draws the frame at the filter percent of the
// filter frame count over the background colour; the frame replaces the
// pixels (red, green and blue, and the alpha when the layer has one).
//
// The pixels are left as they were when the settings name no valid video,
// when the engine cannot be loaded or prepared, or when the picture is
// larger than any frame. Called from the plug-in's one thread.

#include <cstdint>
#include <string>
#include <vector>

#include "kaleidra/records/layout.h"

namespace kdr::gimp {

struct StillImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool has_alpha = false;               // the layer's own alpha (else 255)
    std::vector<std::uint8_t> rgba;       // width x height x 4, top row first
    std::vector<std::uint8_t> selection;  // width x height, or empty: none
};

struct StillOutcome {
    bool drawn = false;
    std::string message;  // for the user when nothing was drawn
};

// The picture the engine gets: the layer's colours, alpha = its alpha (255
// without one) x the selection's, rounded.
std::vector<std::uint8_t> engine_source(const StillImage& image);

StillOutcome filter_still_image(StillImage& image, const EffectSettings& settings,
                                const float (&background)[3], ProgressCallback progress = nullptr);

}  // namespace kdr::gimp
