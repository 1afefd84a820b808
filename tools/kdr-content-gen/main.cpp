// kdr-content-gen: draws the pictures that ship with the effects.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "kaleidra/images/image_file.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "pictures.h"

namespace {

namespace fs = std::filesystem;
using kdr::raster::Canvas;

const char* const usage_text =
    "Usage: kdr-content-gen textures FOLDER [--png FOLDER]\n"
    "\n"
    "textures  writes the sixty preview textures PREVS_01..20 (32 pixels),\n"
    "          PREVM_01..20 (64) and PREVL_01..20 (128), and the backdrop\n"
    "          textures, as KDRI files with the extension KDT into FOLDER\n"
    "\n"
    "Options:\n"
    "  --png FOLDER  also write every picture as a PNG file, for looking at\n"
    "  -h, --help    show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when a file could not be written, 2 on a\n"
    "usage error.\n";

bool write_texture(const Canvas& canvas, const fs::path& folder, const std::string& name,
                   const fs::path& png_folder) {
    kdr::ImageRecord image;
    kdr::image_construct(image);
    bool ok = kdr::raster::canvas_to_image(canvas, image) &&
              kdr::write_image_file(image, folder / (name + ".KDT"));
    kdr::image_release_all(image);
    if (!ok) {
        std::fprintf(stderr, "kdr-content-gen: cannot write %s\n",
                     (folder / (name + ".KDT")).string().c_str());
        return false;
    }
    if (!png_folder.empty() && !kdr::raster::write_png(canvas, png_folder / (name + ".png"))) {
        std::fprintf(stderr, "kdr-content-gen: cannot write %s\n",
                     (png_folder / (name + ".png")).string().c_str());
        return false;
    }
    return true;
}

int write_textures(const fs::path& folder, const fs::path& png_folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (!png_folder.empty()) {
        fs::create_directories(png_folder, error);
    }
    struct Size {
        const char* prefix;
        int pixels;
    };
    const Size sizes[] = {{"PREVS_", 32}, {"PREVM_", 64}, {"PREVL_", 128}};
    int written = 0;
    // With --png, also one sheet of all twenty large ones.
    Canvas sheet(5 * 132 + 4, 4 * 132 + 4, {40, 40, 40});
    for (int number = 1; number <= kdr::content::preview_texture_count; ++number) {
        // Drawn once at the largest size, the smaller ones averaged from it.
        Canvas large = kdr::content::preview_texture(number, 128);
        sheet.draw_canvas(large, 4 + (number - 1) % 5 * 132, 4 + (number - 1) / 5 * 132);
        for (const Size& size : sizes) {
            char name[16];
            std::snprintf(name, sizeof name, "%s%02d", size.prefix, number);
            Canvas canvas = size.pixels == 128 ? large : large.resized(size.pixels, size.pixels);
            if (!write_texture(canvas, folder, name, png_folder)) {
                return 1;
            }
            ++written;
        }
    }
    if (!png_folder.empty() &&
        !kdr::raster::write_png(sheet, png_folder / "preview_textures.png")) {
        std::fprintf(stderr, "kdr-content-gen: cannot write the sheet of preview textures\n");
        return 1;
    }
    for (const kdr::content::Backdrop& backdrop : kdr::content::backdrops()) {
        if (!write_texture(kdr::content::backdrop(backdrop.name), folder, backdrop.name,
                           png_folder)) {
            return 1;
        }
        ++written;
    }
    std::printf("kdr-content-gen: %d textures in %s\n", written, folder.string().c_str());
    return 0;
}

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
        return write_textures(folder, png_folder);
    }
    std::fprintf(stderr, "kdr-content-gen: %s\nTry 'kdr-content-gen --help'.\n",
                 command.empty() ? "no command given" : "a command and a folder are needed");
    return 2;
}
