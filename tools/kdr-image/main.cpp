// kdr-image: converts pictures between Kaleidra image files, bitmaps, Targa
// and PNG, takes frames out of videos and numbered sequences, and prints the
// geometry of picture files.

#include <cstdio>
#include <optional>
#include <string>

#include "frames.h"
#include "kaleidra/cli/arguments.h"
#include "kaleidra/images/picture_file.h"
#include "kaleidra/records/owned_image.h"

namespace {

constexpr int exit_ok = 0;
constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

const char* const usage_text =
    "Usage: kdr-image [--frame N] INPUT OUTPUT\n"
    "       kdr-image --info FILE\n"
    "\n"
    "Converts a picture from INPUT to OUTPUT, each in the format its extension\n"
    "names:\n"
    "  .kdt .kdri .img  Kaleidra image files (textures, work images)\n"
    "  .bmp             24 or 32-bit bitmaps\n"
    "  .tga             Targa images (read: uncompressed or run-length;\n"
    "                   written uncompressed)\n"
    "  .png             PNG\n"
    "INPUT may also be a movie (.avi, .mp4, .mov, .mkv, .webm, .ts, .mpg and\n"
    "the other containers FFmpeg reads); OUTPUT may not.\n"
    "\n"
    "Options:\n"
    "  --frame N   take frame N (from 0): of a video (default 0), or of the\n"
    "              numbered .bmp or .tga sequence that INPUT names, found as\n"
    "              the renderers find it (take0001.bmp names take0000.bmp,\n"
    "              take0001.bmp, ...; a missing frame shows the one before)\n"
    "  --info FILE print the geometry of a picture, or the length, rate, size\n"
    "              and codec of a video\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 success, 1 a file could not be read or written, 2 usage\n"
    "error.\n";

int usage_error(const std::string& message) {
    std::fprintf(stderr, "kdr-image: %s\nTry 'kdr-image --help'.\n", message.c_str());
    return exit_usage;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<std::uint32_t> frame;
    std::string info;
    std::string files[2];
    int file_count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_text, stdout);
            return exit_ok;
        }
        if (arg == "--frame" || arg == "--info") {
            if (i + 1 >= argc) {
                return usage_error(arg + " needs a value");
            }
            const std::string value = argv[++i];
            if (arg == "--info") {
                info = value;
                continue;
            }
            frame = kdr::cli::parse_count(value);
            if (!frame) {
                return usage_error("--frame takes a frame number from 0, not \"" + value + "\"");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage_error("unknown option \"" + arg + "\"");
        } else if (file_count < 2) {
            files[file_count++] = arg;
        } else {
            return usage_error("too many files");
        }
    }

    if (!info.empty()) {
        if (file_count > 0 || frame) {
            return usage_error("--info takes one file and no other arguments");
        }
        kdr::Result<std::vector<std::string>> lines = kdr::image_tool::describe_file(info);
        if (!lines) {
            std::fprintf(stderr, "kdr-image: %s\n", lines.error().c_str());
            return exit_failed;
        }
        for (const std::string& line : *lines) {
            std::printf("%s\n", line.c_str());
        }
        return exit_ok;
    }
    if (file_count != 2) {
        return usage_error("give an INPUT and an OUTPUT file");
    }

    if (kdr::Status writable = kdr::image_tool::check_writable(files[1]); !writable) {
        std::fprintf(stderr, "kdr-image: %s\n", writable.error().c_str());
        return exit_failed;
    }
    kdr::OwnedImage image;
    kdr::Status status = kdr::image_tool::load_picture(image.record(), files[0], frame);
    if (status) {
        status = kdr::write_picture(image.record(), files[1]);
    }
    if (!status) {
        std::fprintf(stderr, "kdr-image: %s\n", status.error().c_str());
        return exit_failed;
    }
    return exit_ok;
}
