// kdr-effect-icon: renders an effect's icon with an engine and writes the
// effect file again with the icon in it.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "kaleidra/cli/arguments.h"
#include "kaleidra/cli/temporary_folder.h"
#include "kaleidra/effectc/effect_writer.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/renderkit/effect_renderer.h"
#include "kaleidra/scene/scene.h"

namespace {

namespace fs = std::filesystem;
using kdr::raster::Canvas;

const char* const usage_text =
    "Usage: kdr-effect-icon --engine LIBRARY --textures FOLDER [--size WxH]\n"
    "                       EFFECT.KDR OUTPUT.KDR\n"
    "\n"
    "Renders the effect at its best frame, flying off, with the twenty large\n"
    "preview textures (PREVL_01..20 in FOLDER) standing in for its videos,\n"
    "lighting on, shadows at half strength and antialiasing, and writes the\n"
    "effect again to OUTPUT.KDR with that picture as its icon (24-bit,\n"
    "bottom row first). Every other chunk is copied unchanged.\n"
    "\n"
    "Options:\n"
    "  --engine LIBRARY   the engine library file (Rnd_Generic.so)\n"
    "  --textures FOLDER  the folder holding the preview textures and any\n"
    "                     textures the effect uses\n"
    "  --size WxH         icon size (default 64x48)\n"
    "  -h, --help         show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when the effect cannot be rendered or\n"
    "written, 2 on a usage error.\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "kdr-effect-icon: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path engine, textures;
    std::vector<fs::path> files;
    std::uint32_t width = 64, height = 48;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_text, stdout);
            return 0;
        }
        bool has_value = i + 1 < argc;
        if (arg == "--engine" && has_value) {
            engine = argv[++i];
        } else if (arg == "--textures" && has_value) {
            textures = argv[++i];
        } else if (arg == "--size" && has_value) {
            kdr::Result<kdr::cli::Size> size =
                kdr::cli::parse_size(argv[++i], "--size", {1, 1}, {1024, 1024});
            if (!size) {
                std::fprintf(stderr, "kdr-effect-icon: %s\n", size.error().c_str());
                return 2;
            }
            width = size->width;
            height = size->height;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "kdr-effect-icon: unknown option or missing value \"%s\"\n",
                         arg.c_str());
            return 2;
        } else {
            files.emplace_back(arg);
        }
    }
    if (engine.empty() || textures.empty() || files.size() != 2) {
        std::fprintf(stderr,
                     "kdr-effect-icon: --engine, --textures, an effect and an output are needed\n"
                     "Try 'kdr-effect-icon --help'.\n");
        return 2;
    }
    const fs::path& input = files[0];
    const fs::path& output = files[1];

    kdr::Scene header;
    if (!header.load_file(input)) {
        return fail(input.string() + ": not a readable effect file");
    }
    const std::string name = input.stem().string();

    // A folder that stands in for an installation while the icon is rendered:
    // EFFECTS with the one effect, Textures pointing at the real textures.
    kdr::Result<kdr::cli::TemporaryFolder> folder =
        kdr::cli::TemporaryFolder::create("kaleidra-icon-");
    if (!folder) {
        return fail(folder.error());
    }
    std::error_code error;
    fs::create_directories(folder->path() / "EFFECTS", error);
    fs::copy_file(input, folder->path() / "EFFECTS" / (name + ".KDR"), error);
    if (!error) {
        fs::create_directory_symlink(fs::absolute(textures), folder->path() / "Textures", error);
    }
    if (error) {
        return fail("cannot set up a temporary installation: " + error.message());
    }
    auto scope = kdr::renderkit::InstallationScope::open(folder->path());
    if (!scope) {
        return fail(scope.error());
    }

    std::vector<Canvas> sources;
    for (int n = 1; n <= 20; ++n) {
        auto texture = kdr::renderkit::read_preview_texture(folder->path(), "PREVL_", n);
        if (!texture) {
            return fail(texture.error());
        }
        sources.push_back(std::move(*texture));
    }
    auto renderer = kdr::renderkit::EffectRenderer::open(engine);
    if (!renderer) {
        return fail(renderer.error());
    }
    kdr::renderkit::RenderOptions options;
    options.width = width;
    options.height = height;
    options.lighting = true;
    options.shadows = 50;
    options.antialias = true;
    // Previews take the best frame as a whole percentage of 100.
    auto position = static_cast<std::uint32_t>(std::clamp(header.best_frame, 0.0f, 100.0f));
    auto frames =
        (*renderer)->render(name, sources, options, std::vector<std::uint32_t>{position}, 100);
    if (!frames) {
        return fail(frames.error());
    }

    kdr::ImageRecord icon;
    kdr::image_construct(icon);
    if (!kdr::raster::canvas_to_image(frames->front(), icon)) {
        return fail("out of memory");
    }
    std::string written = kdr::effectc::write_effect_with_icon(input, icon, output);
    kdr::image_release_all(icon);
    if (!written.empty()) {
        return fail(written);
    }
    return 0;
}
