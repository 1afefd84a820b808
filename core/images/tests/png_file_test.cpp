#include "kaleidra/images/png_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

TEST(PngFile, PicturesRoundTripWithAndWithoutAlpha) {
    test::TempFolder folder;
    for (std::uint8_t format : {format_bgr, format_abgr}) {
        ImageRecord source;
        image_construct(source);
        image_set_shape(source, {format, static_cast<std::uint8_t>(image_has_alpha(format) ? 4 : 3),
                                 4, row_order_bottom_up, 7, 4});
        ASSERT_TRUE(image_allocate(source));
        for (std::uint32_t i = 0; i < source.size; ++i) {
            source.buffer[i] = static_cast<std::uint8_t>(i * 13 + 1);
        }
        const auto file = folder.path() / "picture.png";
        Status written = write_png_file(source, file);
        ASSERT_TRUE(written.ok()) << written.error();

        ImageRecord read;
        image_construct(read);
        Status status = read_png_file(read, file);
        ASSERT_TRUE(status.ok()) << status.error();
        const bool alpha = image_has_alpha(format);
        EXPECT_EQ(read.format, alpha ? format_rgba : format_rgb);
        EXPECT_EQ(read.row_order, row_order_top_down);
        EXPECT_EQ(read.width, 7u);
        EXPECT_EQ(read.height, 4u);
        // Channel offsets: BGR has red at 2; ABGR has alpha 0, blue 1, green 2, red 3.
        const int red = alpha ? 3 : 2;
        const int blue = alpha ? 1 : 0;
        for (std::uint32_t y = 0; y < 4; ++y) {
            for (std::uint32_t x = 0; x < 7; ++x) {
                const std::uint8_t* in = image_pixel(source, x, y);
                const std::uint8_t* out = image_pixel(read, x, y);
                ASSERT_EQ(out[0], in[red]) << x << ", " << y;
                ASSERT_EQ(out[2], in[blue]) << x << ", " << y;
                if (alpha) {
                    ASSERT_EQ(out[3], in[0]) << x << ", " << y;
                }
            }
        }
        image_release_all(source);
        image_release_all(read);
    }
}

TEST(PngFile, GarbageIsRefusedWithTheFileName) {
    test::TempFolder folder;
    const auto file = folder.path() / "broken.png";
    std::ofstream(file) << "not a picture at all";
    ImageRecord image;
    image_construct(image);
    Status status = read_png_file(image, file);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("broken.png"), std::string::npos) << status.error();
    EXPECT_EQ(image.buffer, nullptr);
}

}  // namespace
}  // namespace kdr
