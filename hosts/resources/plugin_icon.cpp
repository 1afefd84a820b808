// kdr-plugin-icon: draws a plug-in's icon, our own artwork: a shipped effect
// rendered part way by an engine over pictures of the installation, drawn
// at four times the size and averaged down, stored as a 24-bit bitmap
// resource (the 40-byte header and the rows, bottom first).
// Usage: kdr-plugin-icon --install FOLDER --engine LIBRARY --effect NAME
//                        --size WxH --position P/T OUTPUT.bmp
// The sources are, in turn, the installation's sample pictures and a
// preview texture (four, for effects of four videos).

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/plugin_resources/bitmap_resource.h"
#include "kaleidra/raster/canvas.h"
#include "kaleidra/renderkit/effect_renderer.h"

namespace {

namespace fs = std::filesystem;

constexpr int oversampling = 4;

int fail(const std::string& message) {
    std::fprintf(stderr, "kdr-plugin-icon: %s\n", message.c_str());
    return 1;
}

bool parse_pair(const std::string& text, char separator, int& first, int& second) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) {
        return false;
    }
    char* end = nullptr;
    first = static_cast<int>(std::strtol(text.c_str(), &end, 10));
    if (end != text.c_str() + at) {
        return false;
    }
    second = static_cast<int>(std::strtol(text.c_str() + at + 1, &end, 10));
    return *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) == 0 && i + 1 < argc) {
            options[arg] = argv[++i];
        } else {
            output = arg;
        }
    }
    int width = 0, height = 0, position = 0, total = 0;
    if (output.empty() || options.size() != 5 || !options.count("--install") ||
        !options.count("--engine") || !options.count("--effect") ||
        !parse_pair(options["--size"], 'x', width, height) ||
        !parse_pair(options["--position"], '/', position, total) || width < 1 || height < 1 ||
        width > 512 || height > 512 || position < 0 || total < 1) {
        std::fprintf(stderr,
                     "Usage: kdr-plugin-icon --install FOLDER --engine LIBRARY --effect NAME "
                     "--size WxH --position P/T OUTPUT.bmp\n");
        return 2;
    }
    const fs::path install = options["--install"];
    auto scope = kdr::renderkit::InstallationScope::open(install);
    if (!scope) {
        return fail(scope.error());
    }
    auto renderer = kdr::renderkit::EffectRenderer::open(options["--engine"]);
    if (!renderer) {
        return fail(renderer.error());
    }
    std::vector<kdr::raster::Canvas> sources;
    for (const char* name : {"Samples/picture_mountains.bmp", "Samples/picture_wheel.tga",
                             "Samples/picture_bars.bmp", "Textures/PREVM_04.KDT"}) {
        auto picture = kdr::renderkit::read_picture(install / name);
        if (!picture) {
            return fail(picture.error());
        }
        sources.push_back(std::move(*picture));
    }
    kdr::renderkit::RenderOptions render;
    render.width = static_cast<std::uint32_t>(width * oversampling);
    render.height = static_cast<std::uint32_t>(height * oversampling);
    render.lighting = true;
    render.shadows = 50;
    render.light_direction = 45;
    auto frames = (*renderer)->render(options["--effect"], sources, render,
                                      {static_cast<std::uint32_t>(position)},
                                      static_cast<std::uint32_t>(total));
    if (!frames) {
        return fail(frames.error());
    }
    const kdr::raster::Canvas icon = frames->front().resized(width, height);
    const std::vector<std::uint8_t> resource =
        kdr::plugin_resources::make_bitmap_resource(width, height, icon.bytes());
    if (kdr::Status written =
            kdr::platform::write_file_atomically(output, resource.data(), resource.size());
        !written) {
        return fail(written.error());
    }
    return 0;
}
