// kdr-contact-sheet: one picture of every installed effect at completions
// 0, 0.25, 0.5, 0.75 and 1, with names, for people to look at.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/cli/arguments.h"
#include "kaleidra/effectc/master_list.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/renderkit/effect_renderer.h"
#include "kaleidra/scene/scene.h"

namespace {

namespace fs = std::filesystem;
using kdr::raster::Canvas;
using kdr::raster::Rgb;

const char* const usage_text =
    "Usage: kdr-contact-sheet -o SHEET.png [options] [EFFECT...]\n"
    "\n"
    "Renders each effect (default: every effect of the master list\n"
    "EFFECTS/Master.lst, group by group) at completions 0, 0.25, 0.5, 0.75\n"
    "and 1 and lays the pictures out in one PNG file with the effects' names.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE    the PNG file to write\n"
    "  --install FOLDER     the installation folder (default: the registry's\n"
    "                       \"Path\")\n"
    "  --engine NAME|FILE   engine LIBS/NAME.so, or a library file with a '/'\n"
    "                       (default Rnd_Generic)\n"
    "  --size WxH           size of each picture (default 128x96)\n"
    "  --columns N          effects side by side (default 2)\n"
    "  --source FILE        a picture for the next video (KDT, BMP, TGA, PNG);\n"
    "                       repeatable. Default: the sample pictures, then\n"
    "                       preview textures\n"
    "  --plain              lighting and shadows off (the default has lighting\n"
    "                       on and shadows at 50 percent)\n"
    "  --fly on|off         fly direction (default off)\n"
    "  -q, --quiet          no progress lines\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when an effect cannot be rendered or the\n"
    "sheet cannot be written, 2 on a usage error.\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "kdr-contact-sheet: %s\n", message.c_str());
    return 1;
}

struct Entry {
    std::string effect;
    std::string group;
};

constexpr int gap = 4;
constexpr int label_height = 22;
const Rgb sheet_colour{28, 30, 36};
const Rgb label_colour{235, 235, 240};
const Rgb group_colour{150, 170, 220};

}  // namespace

int main(int argc, char** argv) {
    fs::path output, install, engine_arg = "Rnd_Generic";
    std::vector<fs::path> source_files;
    std::vector<Entry> entries;
    std::uint32_t width = 128, height = 96;
    int columns = 2;
    bool plain = false, fly_on = false, quiet = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool has_value = i + 1 < argc;
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_text, stdout);
            return 0;
        } else if ((arg == "-o" || arg == "--output") && has_value) {
            output = argv[++i];
        } else if (arg == "--install" && has_value) {
            install = argv[++i];
        } else if (arg == "--engine" && has_value) {
            engine_arg = argv[++i];
        } else if (arg == "--size" && has_value) {
            kdr::Result<kdr::cli::Size> size =
                kdr::cli::parse_size(argv[++i], "--size", {16, 12}, {1024, 1024});
            if (!size) {
                std::fprintf(stderr, "kdr-contact-sheet: %s\n", size.error().c_str());
                return 2;
            }
            width = size->width;
            height = size->height;
        } else if (arg == "--columns" && has_value) {
            const std::optional<std::uint32_t> count = kdr::cli::parse_count(argv[++i]);
            columns = count && *count <= 8 ? static_cast<int>(*count) : 0;
            if (columns < 1) {
                std::fprintf(stderr, "kdr-contact-sheet: --columns takes 1 to 8\n");
                return 2;
            }
        } else if (arg == "--source" && has_value) {
            source_files.emplace_back(argv[++i]);
        } else if (arg == "--plain") {
            plain = true;
        } else if (arg == "--fly" && has_value) {
            std::string value = argv[++i];
            if (value != "on" && value != "off") {
                std::fprintf(stderr, "kdr-contact-sheet: --fly takes on or off\n");
                return 2;
            }
            fly_on = value == "on";
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "kdr-contact-sheet: unknown option or missing value \"%s\"\n",
                         arg.c_str());
            return 2;
        } else {
            entries.push_back({arg, ""});
        }
    }
    if (output.empty()) {
        std::fprintf(stderr,
                     "kdr-contact-sheet: no output (-o SHEET.png)\n"
                     "Try 'kdr-contact-sheet --help'.\n");
        return 2;
    }

    kdr::install::set_registry_key(kdr::install::package_registry_key);
    std::unique_ptr<kdr::renderkit::InstallationScope> scope;
    if (install.empty()) {
        auto folder = kdr::install::install_folder();
        if (!folder) {
            return fail("no installation folder: give --install or set the registry's \"Path\"");
        }
        install = *folder;
    } else {
        auto opened = kdr::renderkit::InstallationScope::open(install);
        if (!opened) {
            return fail(opened.error());
        }
        scope = std::move(*opened);
    }
    fs::path engine = engine_arg.string().find('/') != std::string::npos
                          ? engine_arg
                          : install / "LIBS" / (engine_arg.string() + ".so");

    if (entries.empty()) {
        auto catalogue = kdr::effectc::read_catalogue(install / "EFFECTS" / "Master.lst");
        if (!catalogue) {
            return fail((install / "EFFECTS" / "Master.lst").string() +
                        " cannot be read; name the effects instead");
        }
        for (const auto& group : *catalogue) {
            for (const std::string& effect : group.effects) {
                entries.push_back({effect, group.name});
            }
        }
    }

    // Sources: what was given, else the sample pictures, then preview
    // textures up to four videos.
    if (source_files.empty()) {
        for (const char* name :
             {"picture_mountains.bmp", "picture_wheel.tga", "picture_bars.bmp"}) {
            if (fs::exists(install / "Samples" / name)) {
                source_files.push_back(install / "Samples" / name);
            }
        }
        for (int n = 4; source_files.size() < 4; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "PREVL_%02d.KDT", n);
            source_files.push_back(install / "Textures" / name);
        }
    }
    std::vector<Canvas> sources;
    for (const fs::path& file : source_files) {
        auto picture = kdr::renderkit::read_picture(file);
        if (!picture) {
            return fail(picture.error());
        }
        sources.push_back(picture->resized(static_cast<int>(width), static_cast<int>(height)));
    }

    auto renderer = kdr::renderkit::EffectRenderer::open(engine);
    if (!renderer) {
        return fail(renderer.error());
    }
    kdr::renderkit::RenderOptions options;
    options.width = width;
    options.height = height;
    options.fly_on = fly_on;
    options.antialias = true;
    options.lighting = !plain;
    options.shadows = plain ? 0 : 50;
    options.light_direction = 0;

    const int steps = 5;
    const int block_width = steps * (static_cast<int>(width) + gap) + gap;
    const int block_height = label_height + static_cast<int>(height) + 2 * gap;
    const int header = 26;
    const int rows = (static_cast<int>(entries.size()) + columns - 1) / columns;
    Canvas sheet(columns * block_width + (columns - 1) * gap, header + rows * block_height,
                 sheet_colour);
    for (int column = 0; column < columns && column < static_cast<int>(entries.size()); ++column) {
        for (int k = 0; k < steps; ++k) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", k * 0.25);
            int x = column * (block_width + gap) + gap + k * (static_cast<int>(width) + gap);
            sheet.draw_text(x + (static_cast<int>(width) - Canvas::text_width(text, 2)) / 2, 6,
                            text, 2, group_colour);
        }
    }
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const Entry& entry = entries[index];
        kdr::Scene scene;
        std::size_t videos = 2;
        if (scene.load_file(install / "EFFECTS" / (entry.effect + ".KDR"),
                            kdr::chunks::make_id("ALOW"))) {
            videos = std::max<std::size_t>(2, scene.video_names.size());
        }
        std::vector<Canvas> used(
            sources.begin(), sources.begin() + static_cast<long>(std::min(videos, sources.size())));
        auto frames = (*renderer)->render(entry.effect, used, options, {0, 1, 2, 3, 4}, 4);
        if (!frames) {
            return fail(frames.error());
        }
        int column = static_cast<int>(index) % columns;
        int row = static_cast<int>(index) / columns;
        int x0 = column * (block_width + gap);
        int y0 = header + row * block_height;
        sheet.draw_text(x0 + gap, y0 + 4, entry.effect, 2, label_colour);
        if (!entry.group.empty()) {
            int x = x0 + gap + Canvas::text_width(entry.effect, 2) + 12;
            sheet.draw_text(x, y0 + 8, entry.group, 1, group_colour);
        }
        for (int k = 0; k < steps; ++k) {
            sheet.draw_canvas((*frames)[k], x0 + gap + k * (static_cast<int>(width) + gap),
                              y0 + label_height);
        }
        if (!quiet) {
            std::fprintf(stderr, "kdr-contact-sheet: %zu/%zu %s\n", index + 1, entries.size(),
                         entry.effect.c_str());
        }
    }
    if (!kdr::raster::write_png(sheet, output)) {
        return fail("cannot write " + output.string());
    }
    if (!quiet) {
        std::printf("kdr-contact-sheet: %s (%zu effects)\n", output.string().c_str(),
                    entries.size());
    }
    return 0;
}
