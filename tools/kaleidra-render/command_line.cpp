#include "command_line.h"

#include <cstring>
#include <string_view>

#include "kaleidra/cli/arguments.h"
#include "setting_names.h"

namespace kdr::render_tool {

using cli::parse_count;
using cli::parse_real;

Result<RenderOptions> parse_command_line(int argc, const char* const* argv) {
    RenderOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return options;
        }
        if (arg == "--no-progress") {
            options.progress = false;
            continue;
        }
        if (arg.substr(0, 2) != "--") {
            return Error{"unexpected argument \"" + std::string(arg) + "\""};
        }
        std::string name;
        std::string value;
        if (std::size_t equals = arg.find('='); equals != std::string_view::npos) {
            name = std::string(arg.substr(0, equals));
            value = std::string(arg.substr(equals + 1));
        } else {
            name = std::string(arg);
            if (i + 1 >= argc) {
                return Error{name + " needs a value"};
            }
            value = argv[++i];
        }

        if (name == "--effect") {
            if (value.empty() || value.size() > 40 || value.find('/') != std::string::npos) {
                return Error{"--effect takes an effect name of 1 to 40 characters, not \"" + value +
                             "\""};
            }
            options.effect = value;
        } else if (name == "--a") {
            options.source_a = value;
        } else if (name == "--b") {
            options.source_b = value;
        } else if (name == "--extra") {
            if (options.extras.size() >= 18) {
                return Error{"at most 18 --extra sources (20 images in all)"};
            }
            options.extras.push_back(value);
        } else if (name == "--out") {
            options.output = value;
        } else if (name == "--frames") {
            std::optional<std::uint32_t> frames = parse_count(value);
            if (!frames || *frames == 0 || *frames > 1'000'000) {
                return Error{"--frames takes a count from 1 to 1000000, not \"" + value + "\""};
            }
            options.frames = *frames;
        } else if (name == "--size") {
            Result<cli::Size> size = cli::parse_size(value, "--size", {1, 1}, {8192, 8192});
            if (!size) {
                return Error{size.error()};
            }
            options.width = size->width;
            options.height = size->height;
        } else if (name == "--fly") {
            if (value != "on" && value != "off") {
                return Error{"--fly takes on or off, not \"" + value + "\""};
            }
            options.fly_on = value == "on";
        } else if (name == "--set") {
            if (value.find('=') == std::string::npos) {
                return Error{"--set takes NAME=VALUE, not \"" + value + "\""};
            }
            options.assignments.push_back(value);
        } else if (name == "--settings") {
            options.settings_file = value;
        } else if (name == "--engine") {
            if (value.empty()) {
                return Error{"--engine needs a name"};
            }
            options.engine = value;
        } else if (name == "--threads") {
            if (value != "1" && value != "2") {
                return Error{"--threads takes 1 or 2, not \"" + value + "\""};
            }
            options.threads = value == "1" ? 1 : 2;
        } else if (name == "--fields") {
            if (value == "odd") {
                options.fields = FieldOrder::odd_first;
            } else if (value == "even") {
                options.fields = FieldOrder::even_first;
            } else {
                return Error{"--fields takes odd or even, not \"" + value + "\""};
            }
        } else if (name == "--codec") {
            if (value.empty() || value.size() > 4) {
                return Error{"--codec takes a compressor code of up to four characters, not \"" +
                             value + "\""};
            }
            value.resize(4, ' ');
            options.codec = value;
        } else if (name == "--quality") {
            std::optional<std::uint32_t> quality = parse_count(value);
            if (!quality || *quality > 100) {
                return Error{"--quality takes 0 to 100, not \"" + value + "\""};
            }
            options.quality = static_cast<int>(*quality);
        } else if (name == "--rate") {
            std::optional<double> rate = parse_real(value);
            if (!rate || *rate <= 0 || *rate > 1000) {
                return Error{"--rate takes frames a second above 0, not \"" + value + "\""};
            }
            options.rate = *rate;
        } else {
            return Error{"unknown option \"" + name + "\""};
        }
    }

    if (options.source_a.empty() || options.source_b.empty()) {
        return Error{"two sources are needed: --a SOURCE --b SOURCE"};
    }
    if (options.output.empty()) {
        return Error{"no output given: --out FILE"};
    }
    if (options.effect.empty() && options.settings_file.empty()) {
        return Error{"no effect given: --effect NAME (or --settings FILE)"};
    }
    return options;
}

std::string help_text() {
    std::string text =
        "Usage: kaleidra-render --effect NAME --a SOURCE --b SOURCE [--extra SOURCE ...]\n"
        "                       --out FILE [options]\n"
        "\n"
        "Renders a Kaleidra effect between two sources: frame i of N is position i\n"
        "of N - 1, so flying off the first frame shows completion 0 and the last\n"
        "completion 1 (flying on the other way round).\n"
        "\n"
        "Sources: AVI movies, BMP, TGA or PNG pictures, or a numbered sequence of\n"
        "pictures written as a pattern (shots/take%04d.png: output frame i shows the\n"
        "i-th picture found, the last one holding). Movies hold their last frame too.\n"
        "Every source is resized to the output size.\n"
        "\n"
        "Output: FILE.avi writes a movie; FILE.png, FILE.bmp or FILE.tga, or a name\n"
        "with a %d pattern (out/frame%04d.png), writes one picture a frame.\n"
        "\n"
        "Options:\n"
        "  --effect NAME      effect file NAME.KDR in the EFFECTS folder\n"
        "  --a, --b SOURCE    outgoing (video 1) and incoming (video 2) source\n"
        "  --extra SOURCE     video 3, 4, ... (up to 18)\n"
        "  --out FILE         the movie or pictures to write\n"
        "  --frames N         frames to render (default 30)\n"
        "  --size WxH         output size (default: the size of source A)\n"
        "  --fly on|off       fly direction (default: from the settings)\n"
        "  --set NAME=VALUE   any value of the settings (below); repeatable\n"
        "  --settings FILE    a stored settings file (form KDRR, as the dialog saves\n"
        "                     it); without it the defaults saved from the dialog\n"
        "                     (Work/Defaults.KRI) are used when present, else built-in\n"
        "                     ones: best render and image quality, lighting on,\n"
        "                     shadows 50, light direction 45\n"
        "  --engine NAME      engine library LIBS/NAME.so (default: registry \"Engine\");\n"
        "                     a name with a '/' is a library file\n"
        "  --threads 1|2      render each frame on one thread or as two halves at\n"
        "                     once (default: registry \"Rnd_Multi\")\n"
        "  --fields odd|even  render interlaced fields, the odd or even lines first\n"
        "                     (the height must be even)\n"
        "  --codec FOURCC     movie compressor: MJPG (default), \"DIB \" (none), msvc,\n"
        "                     cvid, HFYU, ...\n"
        "  --quality Q        compressor quality 0..100 (default 85)\n"
        "  --rate FPS         movie frame rate (default: source A's, else 30)\n"
        "  --no-progress      no progress lines on standard error\n"
        "  -h, --help         this help\n"
        "\n";
    text += setting_names_help();
    text +=
        "\n"
        "The installation folder comes from the registry value \"Path\" (see kdr-reg).\n"
        "\"Rnd_Logging\" 1 or 2 appends timings to Work/RENDER.LOG.\n"
        "Exit status: 0 when every frame was written, 1 on a failure, 2 on a usage\n"
        "error.\n";
    return text;
}

}  // namespace kdr::render_tool
