#include "content_test_kit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "kaleidra/effectc/master_list.h"

namespace kdr::test {

std::filesystem::path content_stage() {
    return KALEIDRA_CONTENT_STAGE;
}

std::filesystem::path engine_library(const std::string& name) {
    return name == "Rnd_Hardware" ? KALEIDRA_RND_HARDWARE : KALEIDRA_RND_GENERIC;
}

std::vector<CatalogueEffect> catalogue_effects() {
    std::vector<CatalogueEffect> effects;
    auto catalogue = effectc::read_catalogue(content_stage() / "EFFECTS" / "Master.lst");
    if (!catalogue) {
        ADD_FAILURE() << "the master list of the staged content cannot be read";
        return effects;
    }
    for (const auto& group : *catalogue) {
        for (const std::string& effect : group.effects) {
            effects.push_back({effect, group.name});
        }
    }
    return effects;
}

bool load_effect(const std::string& name, Scene& scene) {
    return scene.load_file(content_stage() / "EFFECTS" / (name + ".KDR"));
}

raster::Canvas test_video(int number, int width, int height) {
    raster::Canvas canvas(width, height);
    double hue = number * 97.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            bool check = (static_cast<int>(u * 8) + static_cast<int>(v * 6)) % 2 == 0;
            canvas.set(
                x, y,
                raster::from_hsv(hue + 120 * u + 60 * v, check ? 0.9 : 0.5, check ? 0.95 : 0.6));
        }
    }
    char text[8];
    std::snprintf(text, sizeof text, "%d", number);
    int scale = std::max(1, height / 24);
    canvas.draw_outlined_text(width / 3, height / 3, text, scale, {255, 255, 255}, {0, 0, 0});
    return canvas;
}

}  // namespace kdr::test
