#include "command_line.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "kaleidra/cli/arguments.h"
#include "kaleidra/video/output_codecs.h"
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
        if (arg == "--join") {
            options.join = true;
            continue;
        }
        if (arg == "--audio" || arg == "--no-audio") {
            options.audio = arg == "--audio" ? AudioChoice::on : AudioChoice::off;
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
            if (value.empty() || value.size() > 16 ||
                (!video::is_named_codec(value) && value.size() > 4)) {
                return Error{
                    "--codec takes h264, h265, vp9, av1, prores, ffv1 or an AVI compressor "
                    "code of up to four characters (MJPG, \"DIB \", msvc, cvid, HFYU), not \"" +
                    value + "\""};
            }
            if (!video::is_named_codec(value)) {
                // Compressor codes are four characters, padded with blanks.
                value.resize(4, ' ');
            }
            options.codec = value;
        } else if (name == "--quality") {
            std::optional<std::uint32_t> quality = parse_count(value);
            if (!quality || *quality > 100) {
                return Error{"--quality takes 0 to 100, not \"" + value + "\""};
            }
            options.quality = static_cast<int>(*quality);
        } else if (name == "--pix-fmt") {
            if (value.empty() || value.size() > 32) {
                return Error{"--pix-fmt takes a pixel format name (yuv420p, yuv444p, ...)"};
            }
            options.pixel_format = value;
        } else if (name == "--matrix") {
            std::optional<video::ColourMatrix> matrix = video::parse_matrix(value);
            if (!matrix ||
                (*matrix != video::ColourMatrix::bt601 && *matrix != video::ColourMatrix::bt709)) {
                return Error{"--matrix takes bt709 or bt601, not \"" + value + "\""};
            }
            options.colour.matrix = *matrix;
        } else if (name == "--range") {
            std::optional<video::ColourRange> range = video::parse_range(value);
            if (!range) {
                return Error{"--range takes limited or full, not \"" + value + "\""};
            }
            options.colour.range = *range;
        } else if (name == "--rate") {
            std::optional<video::FrameRate> rate = video::parse_frame_rate(value);
            if (!rate) {
                return Error{
                    "--rate takes frames a second above 0 and up to 1000 (25, 29.97, "
                    "30000/1001), not \"" +
                    value + "\""};
            }
            options.rate = *rate;
        } else if (name == "--a-start" || name == "--b-start") {
            std::optional<std::uint32_t> start = parse_count(value);
            if (!start) {
                return Error{name + " takes a frame number from 0, not \"" + value + "\""};
            }
            (name == "--a-start" ? options.a_start : options.b_start) = *start;
        } else if (name == "--at") {
            std::optional<double> at = parse_real(value);
            if (!at || !std::isfinite(*at) || *at < 0) {
                return Error{"--at takes seconds from 0 on, not \"" + value + "\""};
            }
            options.at_seconds = *at;
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
    if (options.at_seconds && !options.join) {
        return Error{"--at places the transition in a joined movie; add --join"};
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
        "completion 1 (flying on the other way round). With --join it writes the\n"
        "whole edit instead: A up to the transition, the transition over A's last N\n"
        "frames and B's first N, then the rest of B, as ffmpeg's xfade does.\n"
        "\n"
        "Sources: movies (MP4, MOV, MKV, WebM, AVI, MPEG-TS and whatever else FFmpeg\n"
        "reads), BMP, TGA or PNG pictures, or a numbered sequence of pictures written\n"
        "as a pattern (shots/take%04d.png: output frame i shows the i-th picture\n"
        "found, the last one holding). Movies hold their last frame too. Every\n"
        "source is scaled to the output size and shown at the output rate.\n"
        "\n"
        "Output: FILE.mp4, .mov, .mkv, .webm or .avi writes a movie; FILE.png,\n"
        "FILE.bmp or FILE.tga, or a name with a %d pattern (out/frame%04d.png),\n"
        "writes one picture a frame. An output that is one of the sources is\n"
        "refused.\n"
        "\n"
        "Options:\n"
        "  --effect NAME      effect file NAME.KDR in the EFFECTS folder\n"
        "  --a, --b SOURCE    outgoing (video 1) and incoming (video 2) source\n"
        "  --extra SOURCE     video 3, 4, ... (up to 18)\n"
        "  --out FILE         the movie or pictures to write\n"
        "  --frames N         frames of the transition (default 30)\n"
        "  --a-start F        source A's first frame (default 0)\n"
        "  --b-start F        source B's first frame (default 0)\n"
        "  --join             write A, the transition and B as one movie\n"
        "  --at SECONDS       with --join: start the transition here (default: N\n"
        "                     frames before A ends)\n"
        "  --size WxH         output size (default: the size of source A)\n"
        "  --rate FPS         output frame rate: 25, 29.97 (= 30000/1001), 30000/1001\n"
        "                     (default: source A's, else 30)\n"
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
        "  --codec NAME       h264 (default for .mp4, .mov, .mkv), h265, vp9 (default\n"
        "                     for .webm), av1, prores, ffv1 (lossless); for .avi the\n"
        "                     compressor codes MJPG (default), \"DIB \" (none), msvc,\n"
        "                     cvid, HFYU (lossless)\n"
        "  --quality Q        0..100, mapped onto the codec's scale; 100 is lossless\n"
        "                     for h264, h265 and vp9 (default: the codec's own, 85 for\n"
        "                     the AVI compressors)\n"
        "  --pix-fmt NAME     pixel format: yuv420p (default for delivery codecs),\n"
        "                     yuv444p, yuv422p10le (ProRes), bgr0 (ffv1), ...\n"
        "  --matrix bt709|bt601, --range limited|full\n"
        "                     how RGB becomes YCbCr, and the tags written (default\n"
        "                     bt709, limited)\n"
        "  --audio            carry the sources' sound in a plain transition too\n"
        "  --no-audio         no sound, even with --join\n"
        "  --no-progress      no progress lines on standard error\n"
        "  -h, --help         this help\n"
        "\n"
        "Sound: with --join a movie carries A's audio, a crossfade over the\n"
        "transition and B's audio (AAC in .mp4 and .mov, Opus in .mkv and .webm,\n"
        "PCM in .avi).\n"
        "\n";
    text += setting_names_help();
    text +=
        "\n"
        "The installation folder comes from the registry value \"Path\" (see kdr-reg).\n"
        "\"Rnd_Logging\" 1 or 2 appends timings to Work/RENDER.LOG.\n"
        "Exit status: 0 when every frame was written, 1 on a failure, 2 on a usage\n"
        "error (an output that would overwrite a source included), 130 when stopped\n"
        "by Ctrl-C, SIGTERM or SIGHUP: the frame being drawn is finished, the\n"
        "movie being written is discarded.\n";
    return text;
}

}  // namespace kdr::render_tool
