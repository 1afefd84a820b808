#include "content_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/video/avi_writer.h"
#include "kaleidra/video/encoders.h"
#include "pictures.h"
#include "samples.h"

namespace kdr::content {

namespace {

namespace fs = std::filesystem;
using kdr::raster::Canvas;

bool write_texture(const Canvas& canvas, const fs::path& folder, const std::string& name,
                   const fs::path& png_folder) {
    kdr::ImageRecord image;
    kdr::image_construct(image);
    const kdr::Status written =
        kdr::raster::canvas_to_image(canvas, image)
            ? kdr::write_image_file(image, folder / (name + ".KDT"))
            : kdr::Status(kdr::Error{"out of memory for " + (folder / (name + ".KDT")).string()});
    kdr::image_release_all(image);
    if (!written) {
        std::fprintf(stderr, "kdr-content-gen: %s\n", written.error().c_str());
        return false;
    }
    if (!png_folder.empty() && !kdr::raster::write_png(canvas, png_folder / (name + ".png"))) {
        std::fprintf(stderr, "kdr-content-gen: cannot write %s\n",
                     (png_folder / (name + ".png")).string().c_str());
        return false;
    }
    return true;
}

bool write_picture(const Canvas& canvas, const fs::path& file) {
    kdr::ImageRecord image;
    kdr::image_construct(image);
    kdr::Status status = kdr::Error{"out of memory"};
    if (kdr::raster::canvas_to_image(canvas, image)) {
        status = file.extension() == ".tga" ? kdr::write_targa_file(image, file)
                                            : kdr::write_bmp_file(image, file);
    }
    kdr::image_release_all(image);
    if (!status.ok()) {
        std::fprintf(stderr, "kdr-content-gen: %s: %s\n", file.string().c_str(),
                     status.error().c_str());
    }
    return status.ok();
}

bool write_clip(int clip, const fs::path& file, const fs::path& png_folder) {
    using namespace kdr::video;
    // Motion JPEG keeps the clips small; full frames when it is missing.
    CompressOptions options;
    const EncoderInfo* mjpeg = find_encoder(make_fourcc("MJPG"));
    if (mjpeg != nullptr && mjpeg->available) {
        options.handler = make_fourcc("MJPG");
        options.quality = 9000;
    }
    auto writer = AviWriter::create(file, kdr::content::sample_width, kdr::content::sample_height,
                                    kdr::content::sample_frames_per_second, options);
    if (!writer) {
        std::fprintf(stderr, "kdr-content-gen: %s: %s\n", file.string().c_str(),
                     writer.error().c_str());
        return false;
    }
    const kdr::content::SampleClip& info = kdr::content::sample_clips()[clip];
    for (int frame = 0; frame < info.frame_count; ++frame) {
        Canvas canvas = kdr::content::sample_clip_frame(clip, frame);
        kdr::ImageRecord image;
        kdr::image_construct(image);
        bool converted = kdr::raster::canvas_to_image(canvas, image);
        kdr::Status status = converted ? writer->write_frame(image.buffer, image.size)
                                       : kdr::Status(kdr::Error{"out of memory"});
        kdr::image_release_all(image);
        if (!status.ok()) {
            std::fprintf(stderr, "kdr-content-gen: %s: frame %d: %s\n", file.string().c_str(),
                         frame, status.error().c_str());
            return false;
        }
        const fs::path png = png_folder / (file.stem().string() + ".png");
        if (frame == 0 && !png_folder.empty() && !kdr::raster::write_png(canvas, png)) {
            std::fprintf(stderr, "kdr-content-gen: cannot write %s\n", png.string().c_str());
            return false;
        }
    }
    kdr::Status closed = writer->close();
    if (!closed.ok()) {
        std::fprintf(stderr, "kdr-content-gen: %s: %s\n", file.string().c_str(),
                     closed.error().c_str());
        return false;
    }
    return true;
}

}  // namespace

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

int write_samples(const fs::path& folder, const fs::path& png_folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (!png_folder.empty()) {
        fs::create_directories(png_folder, error);
    }
    const auto& clips = kdr::content::sample_clips();
    for (std::size_t clip = 0; clip < clips.size(); ++clip) {
        if (!write_clip(static_cast<int>(clip), folder / clips[clip].file_name, png_folder)) {
            return 1;
        }
    }
    const auto& pictures = kdr::content::sample_pictures();
    for (std::size_t picture = 0; picture < pictures.size(); ++picture) {
        Canvas canvas = kdr::content::sample_picture(static_cast<int>(picture));
        if (!write_picture(canvas, folder / pictures[picture].file_name)) {
            return 1;
        }
        if (!png_folder.empty()) {
            fs::path name = fs::path(pictures[picture].file_name).replace_extension(".png");
            if (!kdr::raster::write_png(canvas, png_folder / name)) {
                std::fprintf(stderr, "kdr-content-gen: cannot write %s\n",
                             (png_folder / name).string().c_str());
                return 1;
            }
        }
    }
    std::printf("kdr-content-gen: %zu clips and %zu pictures in %s\n", clips.size(),
                pictures.size(), folder.string().c_str());
    return 0;
}

}  // namespace kdr::content
