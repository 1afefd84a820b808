#include "kaleidra/records/image_record.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kdr {
namespace {

// An owned record with the given geometry and a buffer whose bytes count up.
ImageRecord make_image(std::uint32_t width, std::uint32_t height, std::uint8_t bpp,
                       std::uint8_t alignment, std::uint8_t order) {
    ImageRecord image;
    image_construct(image);
    image_set_shape(image,
                    {bpp == 3 ? format_bgr : format_bgra, bpp, alignment, order, width, height});
    EXPECT_TRUE(image_allocate(image));
    for (std::uint32_t i = 0; i < image.size; ++i) {
        image.buffer[i] = static_cast<std::uint8_t>(i);
    }
    return image;
}

TEST(ImageRecord, StrideRoundsRowsUpToTheAlignment) {
    ImageRecord image;
    image_construct(image);
    image.row_length = 5;
    image.bytes_per_pixel = 3;
    image.alignment = 4;
    image.stored_rows = 10;
    ASSERT_TRUE(image_update_sizes(image));
    EXPECT_EQ(image.stride, 16u);
    EXPECT_EQ(image.size, 160u);
    image.alignment = 1;
    ASSERT_TRUE(image_update_sizes(image));
    EXPECT_EQ(image.stride, 15u);
    EXPECT_EQ(image.size, 150u);
}

TEST(ImageRecord, NoAlignmentMeansNoSizeUpdate) {
    ImageRecord image;
    image_construct(image);
    image.row_length = 5;
    image.bytes_per_pixel = 3;
    image.stored_rows = 10;
    image.stride = 99;
    image.size = 7;
    ASSERT_TRUE(image_update_sizes(image));
    EXPECT_EQ(image.stride, 99u);
    EXPECT_EQ(image.size, 7u);
}

TEST(ImageRecord, SizeBeyondThirtyTwoBitsIsRefused) {
    ImageRecord image;
    image_construct(image);
    image.row_length = 0x10000;
    image.bytes_per_pixel = 4;
    image.alignment = 4;
    image.stored_rows = 0x10000;
    EXPECT_FALSE(image_update_sizes(image));
    EXPECT_EQ(image.size, 0u);
    EXPECT_FALSE(image_allocate(image));
    EXPECT_EQ(image.buffer, nullptr);
}

TEST(ImageRecord, ShapeDescribesAWholePictureAndDropsAnOldWindow) {
    ImageRecord image;
    image_construct(image);
    image.skip_rows = 3;
    image.skip_pixels = 5;
    image.offset = 12;
    image.row_length = 99;
    std::uint8_t pixel[4] = {};
    image.buffer = pixel;
    ASSERT_TRUE(image_set_shape(image, {format_bgr, 3, 4, row_order_top_down, 5, 2}));
    EXPECT_EQ(image.row_length, 5u);
    EXPECT_EQ(image.stored_rows, 2u);
    EXPECT_EQ(image.skip_rows, 0u);
    EXPECT_EQ(image.skip_pixels, 0u);
    EXPECT_EQ(image.offset, 0u);
    EXPECT_EQ(image.stride, 16u);
    EXPECT_EQ(image.size, 32u);
    EXPECT_EQ(image.buffer, pixel);  // the pixels are the caller's business
    EXPECT_FALSE(image_set_shape(image, {format_bgra, 4, 4, row_order_top_down, 65536, 65536}));
}

TEST(ImageRecord, FormatNamesCoverTheSixLayoutsOnly) {
    EXPECT_STREQ(image_format_name(format_rgb), "RGB");
    EXPECT_STREQ(image_format_name(format_bgr), "BGR");
    EXPECT_STREQ(image_format_name(format_rgba), "RGBA");
    EXPECT_STREQ(image_format_name(format_bgra), "BGRA");
    EXPECT_STREQ(image_format_name(format_abgr), "ABGR");
    EXPECT_STREQ(image_format_name(format_argb), "ARGB");
    EXPECT_EQ(image_format_name(0), nullptr);
    EXPECT_EQ(image_format_name(200), nullptr);
}

TEST(ImageRecord, TextureSizesArePowersOfTwoWithRatios) {
    ImageRecord image;
    image_construct(image);
    image.width = 640;
    image.height = 480;
    image_prepare_texture(image);
    EXPECT_EQ(image.texture_width, 1024u);
    EXPECT_EQ(image.texture_height, 512u);
    EXPECT_FLOAT_EQ(image.width_ratio, 0.625f);
    EXPECT_FLOAT_EQ(image.height_ratio, 0.9375f);
    image.width = 1;
    image.height = 512;
    image_prepare_texture(image);
    EXPECT_EQ(image.texture_width, 1u);
    EXPECT_EQ(image.texture_height, 512u);
    EXPECT_FLOAT_EQ(image.height_ratio, 1.0f);
}

TEST(ImageRecord, PixelsAreAddressedInBothRowOrders) {
    ImageRecord top_down = make_image(4, 3, 3, 4, row_order_top_down);
    ImageRecord bottom_up = make_image(4, 3, 3, 4, row_order_bottom_up);
    // Stride 12: row 0 of the picture is the first stored row top-down and
    // the last stored row bottom-up.
    EXPECT_EQ(image_row(top_down, 0), top_down.buffer);
    EXPECT_EQ(image_row(bottom_up, 0), bottom_up.buffer + 24);
    EXPECT_EQ(image_pixel(bottom_up, 2, 2), bottom_up.buffer + 6);
    // Order 3 (Targa with its origin bit) counts as bottom-up too.
    bottom_up.row_order = 3;
    EXPECT_EQ(image_row(bottom_up, 0), bottom_up.buffer + 24);
    image_release_all(top_down);
    image_release_all(bottom_up);
}

TEST(ImageRecord, SkipsAndOffsetMoveTheWindow) {
    ImageRecord image = make_image(8, 6, 4, 4, row_order_top_down);
    image.width = 4;
    image.height = 2;
    image.skip_rows = 3;
    image.skip_pixels = 2;
    image.offset = 1;
    EXPECT_EQ(image_pixel(image, 1, 1), image.buffer + 1 + 4 * 32 + 4 * 3);
    image.row_order = row_order_bottom_up;
    // r = height + skip rows - y - 1 = 2 + 3 - 1 - 1 = 3
    EXPECT_EQ(image_pixel(image, 0, 1), image.buffer + 1 + 3 * 32 + 4 * 2);
    image_release_all(image);
}

struct FieldCase {
    std::uint32_t height;
    std::uint8_t order;
    int parity;
    bool moves_one_stride;
    std::uint32_t field_height;
};

class SelectField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(SelectField, PicksEveryOtherRow) {
    const FieldCase c = GetParam();
    ImageRecord image = make_image(5, c.height, 3, 4, c.order);
    const std::uint32_t stride = image.stride;
    image_select_field(image, c.parity);
    EXPECT_EQ(image.offset, c.moves_one_stride ? static_cast<std::int32_t>(stride) : 0);
    EXPECT_EQ(image.height, c.field_height);
    EXPECT_EQ(image.stored_rows, c.field_height);
    EXPECT_EQ(image.row_length, 10u);
    EXPECT_EQ(image.stride, 2 * stride);
    image_release_all(image);
}

INSTANTIATE_TEST_SUITE_P(EvenAndOddHeights, SelectField,
                         ::testing::Values(FieldCase{10, row_order_bottom_up, 1, false, 5},
                                           FieldCase{10, row_order_bottom_up, 0, true, 5},
                                           FieldCase{10, row_order_top_down, 1, true, 5},
                                           FieldCase{10, row_order_top_down, 0, false, 5},
                                           FieldCase{11, row_order_bottom_up, 1, true, 5},
                                           FieldCase{11, row_order_bottom_up, 0, false, 6},
                                           FieldCase{11, row_order_top_down, 0, false, 6}));

TEST(ImageRecord, DeepCopyOwnsItsPixelsAndShallowCopyDoesNot) {
    ImageRecord source = make_image(3, 2, 4, 4, row_order_top_down);
    ASSERT_TRUE(image_set_name(source, "take0001.bmp"));
    source.offset = 4;
    image_set_bias(source, 3, 255.0f);

    ImageRecord deep;
    image_construct(deep);
    ASSERT_TRUE(image_deep_copy(deep, source));
    EXPECT_NE(deep.buffer, source.buffer);
    EXPECT_EQ(deep.owns, 1);
    EXPECT_EQ(std::memcmp(deep.buffer, source.buffer, source.size), 0);
    EXPECT_STREQ(deep.name, "take0001.bmp");
    EXPECT_NE(deep.name, source.name);
    EXPECT_EQ(deep.offset, 4);
    EXPECT_FLOAT_EQ(image_bias(deep, 3), 255.0f);

    ImageRecord shallow;
    image_construct(shallow);
    image_shallow_copy(shallow, deep);  // replaces nothing owned
    image_shallow_copy(deep, source);   // frees deep's own pixels first
    EXPECT_EQ(deep.buffer, source.buffer);
    EXPECT_EQ(deep.owns, 0);

    // Free does nothing to a record that does not own its pixels.
    image_free(deep);
    EXPECT_EQ(deep.buffer, source.buffer);
    image_release_all(deep);
    EXPECT_EQ(deep.buffer, nullptr);
    EXPECT_EQ(deep.name, nullptr);

    image_free(source);
    EXPECT_EQ(source.buffer, nullptr);
    EXPECT_EQ(source.width, 0u);
    image_release_all(shallow);
}

TEST(ImageRecord, AllocateGivesZeroFilledOwnedPixels) {
    ImageRecord image;
    image_construct(image);
    image.bytes_per_pixel = 3;
    image.alignment = 4;
    image.width = image.row_length = 5;
    image.height = image.stored_rows = 2;
    ASSERT_TRUE(image_allocate(image));
    EXPECT_EQ(image.size, 32u);
    EXPECT_EQ(image.owns, 1);
    for (std::uint32_t i = 0; i < image.size; ++i) {
        ASSERT_EQ(image.buffer[i], 0);
    }
    image.stored_rows = 0;
    EXPECT_FALSE(image_allocate(image));
    EXPECT_EQ(image.buffer, nullptr);
    image_release_all(image);
}

}  // namespace
}  // namespace kdr
