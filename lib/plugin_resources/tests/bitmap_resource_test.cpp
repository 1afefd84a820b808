#include "kaleidra/plugin_resources/bitmap_resource.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kdr::plugin_resources {
namespace {

TEST(BitmapResource, HoldsRowsBottomFirstInBlueGreenRed) {
    // 2 x 2 pixels, top row red then green, bottom row blue then white.
    const std::vector<std::uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const std::vector<std::uint8_t> resource = make_bitmap_resource(2, 2, rgb);
    // Rows of 6 bytes padded to 8.
    ASSERT_EQ(resource.size(), 40u + 16u);
    Result<BitmapShape> shape = describe_bitmap(resource);
    ASSERT_TRUE(shape.ok()) << shape.error();
    EXPECT_EQ(shape->width, 2);
    EXPECT_EQ(shape->height, 2);
    EXPECT_EQ(shape->bits, 24);
    EXPECT_EQ(shape->row_bytes, 8u);
    const std::uint8_t bottom[8] = {255, 0, 0, 255, 255, 255, 0, 0};
    const std::uint8_t top[8] = {0, 0, 255, 0, 255, 0, 0, 0};
    EXPECT_EQ(std::memcmp(resource.data() + 40, bottom, 8), 0);
    EXPECT_EQ(std::memcmp(resource.data() + 48, top, 8), 0);
}

TEST(BitmapResource, TheIconsOfTheHostsHaveTheirSizes) {
    const std::vector<std::uint8_t> large = make_bitmap_resource(80, 60, {});
    EXPECT_EQ(large.size(), 40u + 14400u);
    const std::vector<std::uint8_t> small = make_bitmap_resource(32, 32, {});
    EXPECT_EQ(small.size(), 3112u);
    EXPECT_TRUE(describe_bitmap(large).ok());
    EXPECT_TRUE(describe_bitmap(small).ok());
}

TEST(BitmapResource, AFileIsTheResourceAfterAFileHeader) {
    const std::vector<std::uint8_t> resource = make_bitmap_resource(3, 1, {});
    const std::vector<std::uint8_t> file = bitmap_file(resource);
    ASSERT_EQ(file.size(), 14 + resource.size());
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2] | file[3] << 8, static_cast<int>(file.size()));
    EXPECT_EQ(file[10], 54) << "the pixels follow both headers";
    EXPECT_EQ(std::memcmp(file.data() + 14, resource.data(), resource.size()), 0);
}

struct Spoiled {
    const char* what;
    std::size_t at;
    std::uint8_t value;
    const char* message;
};

class SpoiledBitmap : public ::testing::TestWithParam<Spoiled> {};

TEST_P(SpoiledBitmap, IsRefusedWithTheReason) {
    std::vector<std::uint8_t> resource = make_bitmap_resource(4, 2, {});
    resource[GetParam().at] = GetParam().value;
    Result<BitmapShape> shape = describe_bitmap(resource);
    ASSERT_FALSE(shape.ok()) << GetParam().what;
    EXPECT_NE(shape.error().find(GetParam().message), std::string::npos) << shape.error();
}

INSTANTIATE_TEST_SUITE_P(Headers, SpoiledBitmap,
                         ::testing::Values(Spoiled{"header size", 0, 12, "header of 12 bytes"},
                                           Spoiled{"negative height", 11, 0xFF, "x -"},
                                           Spoiled{"huge width", 6, 0x10, "1 to 4096"},
                                           Spoiled{"planes", 12, 2, "2 planes"},
                                           Spoiled{"bits", 14, 8, "a bitmap of 8 bits"},
                                           Spoiled{"compressed", 16, 1, "compression 1"},
                                           Spoiled{"more pixels than there are", 8, 3,
                                                   "needs 36 bytes"}));

TEST(BitmapResource, ShortResourcesAreRefused) {
    const std::vector<std::uint8_t> bytes(39, 0);
    EXPECT_FALSE(describe_bitmap(bytes).ok());
    std::vector<std::uint8_t> resource = make_bitmap_resource(4, 2, {});
    resource.pop_back();
    EXPECT_FALSE(describe_bitmap(resource).ok());
}

}  // namespace
}  // namespace kdr::plugin_resources
