// kdr-about-art: renders the about box's two pictures from shipped effects
// with an engine, over the sample pictures of an installation folder:
//   about-125.png  Globe, part way through, 400 x 300
//   about-126.png  CubeTurn, half way, 216 x 162
// Usage: kdr-about-art --install FOLDER --engine LIBRARY OUTPUT_FOLDER

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "kaleidra/raster/canvas.h"
#include "kaleidra/renderkit/effect_renderer.h"

namespace {

namespace fs = std::filesystem;

struct Art {
    const char* file;
    const char* effect;
    std::uint32_t width, height, position;
};

constexpr Art pictures[] = {
    {"about-125.png", "Globe", 400, 300, 40},
    {"about-126.png", "CubeTurn", 216, 162, 50},
};

int fail(const std::string& message) {
    std::fprintf(stderr, "kdr-about-art: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 || std::string(argv[1]) != "--install" || std::string(argv[3]) != "--engine") {
        std::fprintf(stderr,
                     "Usage: kdr-about-art --install FOLDER --engine LIBRARY OUTPUT_FOLDER\n");
        return 2;
    }
    const fs::path install = argv[2];
    const fs::path output = argv[5];
    auto scope = kdr::renderkit::InstallationScope::open(install);
    if (!scope) {
        return fail(scope.error());
    }
    auto renderer = kdr::renderkit::EffectRenderer::open(argv[4]);
    if (!renderer) {
        return fail(renderer.error());
    }
    std::vector<kdr::raster::Canvas> sources;
    for (const char* name : {"picture_mountains.bmp", "picture_wheel.tga"}) {
        auto picture = kdr::renderkit::read_picture(install / "Samples" / name);
        if (!picture) {
            return fail(picture.error());
        }
        sources.push_back(std::move(*picture));
    }
    std::error_code error;
    fs::create_directories(output, error);
    for (const Art& art : pictures) {
        kdr::renderkit::RenderOptions options;
        options.width = art.width;
        options.height = art.height;
        options.lighting = true;
        options.shadows = 50;
        options.antialias = true;
        options.light_direction = 45;
        auto frames = (*renderer)->render(art.effect, sources, options, {art.position}, 100);
        if (!frames) {
            return fail(frames.error());
        }
        if (!kdr::raster::write_png(frames->front(), output / art.file)) {
            return fail("cannot write " + (output / art.file).string());
        }
    }
    return 0;
}
