#include "content_files.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/avi_reader.h"
#include "pictures.h"
#include "samples.h"

namespace kdr::content {
namespace {

using raster::Canvas;

Canvas bgr_frame_to_canvas(const video::VideoFrame& frame) {
    ImageRecord image;
    image_construct(image);
    image_set_shape(image, {format_bgr, 3, 4, row_order_bottom_up, frame.width, frame.height});
    image.buffer = const_cast<std::uint8_t*>(frame.pixels.data());
    Canvas canvas = raster::canvas_from_image(image);
    return canvas;
}

TEST(SampleClips, MoveAndNumberEveryFrame) {
    for (int clip = 0; clip < static_cast<int>(sample_clips().size()); ++clip) {
        Canvas first = sample_clip_frame(clip, 0);
        Canvas second = sample_clip_frame(clip, 1);
        Canvas later = sample_clip_frame(clip, 30);
        EXPECT_EQ(first.width(), sample_width);
        EXPECT_EQ(first.height(), sample_height);
        EXPECT_LT(raster::psnr(first, second), 45.0) << "clip " << clip << " hardly moves";
        EXPECT_LT(raster::psnr(first, later), 25.0) << "clip " << clip << " hardly moves";
        // The caption band changes from frame to frame (its number does).
        Canvas band_a(sample_width, 40), band_b(sample_width, 40);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < sample_width; ++x) {
                band_a.set(x, y, first.pixel(x, sample_height - 40 + y));
                band_b.set(x, y, later.pixel(x, sample_height - 40 + y));
            }
        }
        EXPECT_LT(raster::psnr(band_a, band_b), 30.0) << "clip " << clip;
    }
    // The clips differ from one another.
    EXPECT_LT(raster::psnr(sample_clip_frame(0, 5), sample_clip_frame(1, 5)), 15.0);
    EXPECT_LT(raster::psnr(sample_clip_frame(1, 5), sample_clip_frame(2, 5)), 15.0);
}

TEST(ContentFiles, SamplesAreWrittenAndReadBack) {
    test::TempFolder folder;
    ASSERT_EQ(write_samples(folder.path(), {}), 0);
    for (int clip = 0; clip < static_cast<int>(sample_clips().size()); ++clip) {
        const SampleClip& info = sample_clips()[clip];
        auto reader = video::AviReader::open(folder.path() / info.file_name);
        ASSERT_TRUE(reader) << reader.error();
        EXPECT_EQ(reader->length(), static_cast<std::uint32_t>(info.frame_count));
        EXPECT_EQ(reader->width(), static_cast<std::uint32_t>(sample_width));
        EXPECT_EQ(reader->height(), static_cast<std::uint32_t>(sample_height));
        EXPECT_EQ(reader->rate() / reader->scale(),
                  static_cast<std::uint32_t>(sample_frames_per_second));
        auto frame = reader->read_frame(17);
        ASSERT_TRUE(frame) << frame.error();
        // Compressed, but recognisably the frame that was drawn.
        EXPECT_GT(raster::psnr(bgr_frame_to_canvas(**frame), sample_clip_frame(clip, 17)), 30.0);
    }
    for (int picture = 0; picture < static_cast<int>(sample_pictures().size()); ++picture) {
        auto file = folder.path() / sample_pictures()[picture].file_name;
        ImageRecord image;
        image_construct(image);
        Status status =
            file.extension() == ".tga" ? read_targa_file(image, file) : read_bmp_file(image, file);
        ASSERT_TRUE(status.ok()) << status.error();
        EXPECT_EQ(raster::canvas_from_image(image).bytes(), sample_picture(picture).bytes());
        image_release_all(image);
    }
}

TEST(ContentFiles, TexturesAreSixtyPreviewsAndTheBackdrops) {
    test::TempFolder folder;
    ASSERT_EQ(write_textures(folder.path(), {}), 0);
    const std::pair<const char*, std::uint32_t> sizes[] = {
        {"PREVS_", 32}, {"PREVM_", 64}, {"PREVL_", 128}};
    for (auto [prefix, pixels] : sizes) {
        for (int n = 1; n <= preview_texture_count; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%02d.KDT", prefix, n);
            ImageRecord image;
            image_construct(image);
            ASSERT_TRUE(read_image_file(image, folder.path() / name)) << name;
            EXPECT_EQ(image.width, pixels);
            EXPECT_EQ(image.height, pixels);
            EXPECT_EQ(image.format, format_bgr);
            EXPECT_EQ(image.row_order, row_order_bottom_up);
            if (pixels == 128) {
                EXPECT_EQ(raster::canvas_from_image(image).bytes(),
                          preview_texture(n, 128).bytes());
            }
            image_release_all(image);
        }
    }
    for (const Backdrop& b : backdrops()) {
        ImageRecord image;
        image_construct(image);
        ASSERT_TRUE(read_image_file(image, folder.path() / (b.name + ".KDT"))) << b.name;
        EXPECT_EQ(image.width, static_cast<std::uint32_t>(b.size));
        image_release_all(image);
    }
}

TEST(ContentFiles, AnUnwritableFolderFails) {
    test::TempFolder folder;
    auto blocked = folder.path() / "file";
    std::fclose(std::fopen(blocked.string().c_str(), "w"));
    EXPECT_EQ(write_textures(blocked / "sub", {}), 1);
}

}  // namespace
}  // namespace kdr::content
