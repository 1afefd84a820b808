#include "kaleidra/raster/canvas.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kaleidra/images/png_file.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::raster {
namespace {

TEST(Colour, HsvGivesPrimariesAndMixInterpolates) {
    EXPECT_EQ(from_hsv(0, 1, 1), (Rgb{255, 0, 0}));
    EXPECT_EQ(from_hsv(120, 1, 1), (Rgb{0, 255, 0}));
    EXPECT_EQ(from_hsv(240, 1, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(from_hsv(-120, 1, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(from_hsv(77, 0, 0.5), (Rgb{128, 128, 128}));
    EXPECT_EQ(mix({0, 100, 200}, {100, 200, 0}, 0.5), (Rgb{50, 150, 100}));
}

TEST(Canvas, DrawingClipsToThePicture) {
    Canvas canvas(4, 3, {1, 2, 3});
    canvas.fill_rect(-2, -2, 4, 4, {9, 9, 9});
    canvas.set(10, 10, {7, 7, 7});
    canvas.fill_circle(100, 100, 5, {7, 7, 7});
    EXPECT_EQ(canvas.pixel(0, 0), (Rgb{9, 9, 9}));
    EXPECT_EQ(canvas.pixel(1, 1), (Rgb{9, 9, 9}));
    EXPECT_EQ(canvas.pixel(2, 2), (Rgb{1, 2, 3}));
    EXPECT_EQ(canvas.pixel(5, 0), (Rgb{}));  // outside reads black
}

TEST(Canvas, ResizeAveragesTheCoveredArea) {
    Canvas canvas(4, 2, {0, 0, 0});
    canvas.fill_rect(0, 0, 1, 2, {200, 100, 40});  // first column
    Canvas half = canvas.resized(2, 1);
    EXPECT_EQ(half.pixel(0, 0), (Rgb{100, 50, 20}));
    EXPECT_EQ(half.pixel(1, 0), (Rgb{0, 0, 0}));
    Canvas third = Canvas(3, 3, {90, 90, 90}).resized(2, 2);  // uneven blocks keep flat colour
    EXPECT_EQ(third.pixel(1, 1), (Rgb{90, 90, 90}));
}

TEST(Canvas, TextMarksPixelsWithinItsMeasuredBox) {
    Canvas canvas(200, 60, {0, 0, 0});
    int width = Canvas::text_width("Ballsplt 42", 2);
    int height = Canvas::text_height("Ballsplt 42", 2);
    EXPECT_GT(width, 40);
    EXPECT_GE(height, 14);
    canvas.draw_text(5, 5, "Ballsplt 42", 2, {255, 255, 255});
    int lit = 0, outside = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (canvas.pixel(x, y).r != 0) {
                ++lit;
                outside += x < 5 || x >= 5 + width || y < 5 || y >= 5 + height + 2 * 2;
            }
        }
    }
    EXPECT_GT(lit, 100);
    EXPECT_EQ(outside, 0);
}

TEST(Canvas, PsnrIsInfiniteForEqualAndFallsWithNoise) {
    Canvas a(8, 8, {100, 100, 100});
    Canvas b = a;
    EXPECT_TRUE(std::isinf(psnr(a, b)));
    b.set(0, 0, {110, 100, 100});  // one channel off by 10 of 192 values
    EXPECT_NEAR(psnr(a, b), 10 * std::log10(255.0 * 255.0 * 192 / 100), 1e-9);
    EXPECT_EQ(psnr(a, Canvas(4, 4)), 0);
}

TEST(ImageConvert, CanvasBecomesABottomUpBgrRecordAndBack) {
    Canvas canvas(5, 3, {0, 0, 0});
    canvas.set(0, 0, {10, 20, 30});  // top left
    canvas.set(4, 2, {40, 50, 60});  // bottom right
    ImageRecord image;
    image_construct(image);
    ASSERT_TRUE(canvas_to_image(canvas, image));
    EXPECT_EQ(image.format, format_bgr);
    EXPECT_EQ(image.row_order, row_order_bottom_up);
    EXPECT_EQ(image.stride, 16u);  // 15 bytes rounded up to 4
    // The top row is stored last.
    const std::uint8_t* top_left = image.buffer + 2 * image.stride;
    EXPECT_EQ(top_left[0], 30);
    EXPECT_EQ(top_left[2], 10);
    EXPECT_EQ(image.buffer[4 * 3], 60);
    Canvas back = canvas_from_image(image);
    EXPECT_EQ(back.bytes(), canvas.bytes());
    image_release_all(image);
}

TEST(ImageConvert, ReadsFourByteFormats) {
    ImageRecord image;
    image_construct(image);
    image_set_shape(image, {format_argb, 4, 1, row_order_top_down, 1, 1});
    ASSERT_TRUE(image_allocate(image));
    image.buffer[0] = 255;
    image.buffer[1] = 1;
    image.buffer[2] = 2;
    image.buffer[3] = 3;
    EXPECT_EQ(canvas_from_image(image).pixel(0, 0), (Rgb{1, 2, 3}));
    image_release_all(image);
}

TEST(Png, WritesAFileThatDecodesToTheSamePixels) {
    test::TempFolder folder;
    Canvas canvas(7, 5, {0, 0, 0});
    canvas.fill_rect(2, 1, 3, 2, {250, 128, 3});
    auto file = folder.path() / "picture.png";
    ASSERT_TRUE(write_png(canvas, file));
    ImageRecord image;
    image_construct(image);
    ASSERT_TRUE(read_png_file(image, file).ok());
    EXPECT_EQ(canvas_from_image(image).bytes(), canvas.bytes());
    image_release_all(image);
    EXPECT_FALSE(write_png(canvas, folder.path() / "no" / "such" / "folder.png"));
}

}  // namespace
}  // namespace kdr::raster
