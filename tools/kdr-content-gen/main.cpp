// kdr-content-gen: draws the pictures that ship with the effects.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "content_files.h"

namespace {

namespace fs = std::filesystem;

const char* const usage_text =
    "Usage: kdr-content-gen textures FOLDER [--png FOLDER]\n"
    "       kdr-content-gen samples FOLDER [--png FOLDER]\n"
    "\n"
    "textures  writes the sixty preview textures PREVS_01..20 (32 pixels),\n"
    "          PREVM_01..20 (64) and PREVL_01..20 (128), and the backdrop\n"
    "          textures, as KDRI files with the extension KDT into FOLDER\n"
    "samples   writes the sample clips (AVI, 320 x 240, 25 frames a second)\n"
    "          and the sample pictures (BMP and Targa) into FOLDER\n"
    "\n"
    "Options:\n"
    "  --png FOLDER  also write every picture as a PNG file, for looking at\n"
    "  -h, --help    show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when a file could not be written, 2 on a\n"
    "usage error.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string command;
    fs::path folder, png_folder;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_text, stdout);
            return 0;
        }
        if (arg == "--png" && i + 1 < argc) {
            png_folder = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "kdr-content-gen: unknown option \"%s\"\n", arg.c_str());
            return 2;
        } else if (command.empty()) {
            command = arg;
        } else if (folder.empty()) {
            folder = arg;
        } else {
            std::fprintf(stderr, "kdr-content-gen: too many arguments\n");
            return 2;
        }
    }
    if (command == "textures" && !folder.empty()) {
        return kdr::content::write_textures(folder, png_folder);
    }
    if (command == "samples" && !folder.empty()) {
        return kdr::content::write_samples(folder, png_folder);
    }
    std::fprintf(stderr, "kdr-content-gen: %s\nTry 'kdr-content-gen --help'.\n",
                 command.empty() ? "no command given" : "a command and a folder are needed");
    return 2;
}
