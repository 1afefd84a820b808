#include "kaleidra/records/owned_image.h"

#include <gtest/gtest.h>

#include <utility>

namespace kdr {
namespace {

// A 3x2 BGR picture with a name, owning both.
OwnedImage named_picture(const char* name) {
    OwnedImage image;
    ImageRecord& record = image.record();
    EXPECT_TRUE(image_set_shape(record, {format_bgr, 3, 4, row_order_bottom_up, 3, 2}));
    EXPECT_TRUE(image_allocate(record));
    EXPECT_TRUE(image_set_name(record, name));
    record.buffer[0] = 42;
    return image;
}

TEST(OwnedImage, StartsEmpty) {
    OwnedImage image;
    EXPECT_EQ(image.record().buffer, nullptr);
    EXPECT_EQ(image.record().name, nullptr);
    EXPECT_EQ(image.record().width, 0u);
}

TEST(OwnedImage, MovingHandsThePixelsOverAndLeavesAnEmptyRecord) {
    OwnedImage first = named_picture("first");
    const std::uint8_t* pixels = first.record().buffer;
    OwnedImage second(std::move(first));
    EXPECT_EQ(second.record().buffer, pixels);
    EXPECT_STREQ(second.record().name, "first");
    EXPECT_EQ(second.record().buffer[0], 42);
    EXPECT_EQ(first.record().buffer, nullptr);
    EXPECT_EQ(first.record().name, nullptr);
    EXPECT_EQ(first.record().owns, 0);
}

TEST(OwnedImage, MoveAssignmentReleasesWhatTheTargetHeldOnlyOnce) {
    // Under the address sanitizer a double release or a leak fails this test.
    OwnedImage target = named_picture("target");
    OwnedImage source = named_picture("source");
    target = std::move(source);
    EXPECT_STREQ(target.record().name, "source");
    source = OwnedImage();
    EXPECT_EQ(source.record().buffer, nullptr);
}

TEST(OwnedImage, PixelsItDoesNotOwnAreLeftAlone) {
    std::uint8_t host_pixels[8] = {7, 7, 7, 7, 7, 7, 7, 7};
    {
        OwnedImage view;
        ASSERT_TRUE(image_set_shape(view.record(), {format_bgra, 4, 1, row_order_top_down, 2, 1}));
        view.record().buffer = host_pixels;
        view.record().owns = 0;
    }
    EXPECT_EQ(host_pixels[0], 7);
}

}  // namespace
}  // namespace kdr
