#include "kaleidra/hostkit/host_pictures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace kdr::hostkit {
namespace {

struct Map {
    explicit Map(std::int32_t width, std::int32_t height, std::int32_t row_bytes,
                 std::uint8_t fill = 0)
        : pixels(static_cast<std::size_t>(row_bytes) * static_cast<std::size_t>(height), fill) {
        map.right = width;
        map.bottom = height;
        map.row_bytes = row_bytes;
        map.pixels = pixels.data();
    }
    PremierePixelMapHandle handle() { return &pointer; }

    std::vector<std::uint8_t> pixels;
    PremierePixelMap map{};
    PremierePixelMap* pointer = &map;
};

TEST(PixelMaps, AreViewedWithTheirBoundsAndRowLength) {
    Map map(6, 4, 32);
    map.map.left = 2;
    map.map.right = 8;
    Result<PixelMapView> view = view_pixel_map(map.handle());
    ASSERT_TRUE(view.ok()) << view.error();
    EXPECT_EQ(view->width, 6);
    EXPECT_EQ(view->height, 4);
    EXPECT_EQ(view->row_bytes, 32);
    Result<host::HostPicture> picture = pixel_map_picture(*view, 5, 3);
    ASSERT_TRUE(picture.ok()) << picture.error();
    EXPECT_EQ(picture->row_length, 8u);
    EXPECT_EQ(picture->stored_rows, 3u);
    EXPECT_EQ(picture->format, format_bgra);
    EXPECT_EQ(picture->row_order, row_order_bottom_up);
    EXPECT_FALSE(pixel_map_picture(*view, 7, 3).ok()) << "wider than the map";
    EXPECT_FALSE(pixel_map_picture(*view, 6, 5).ok()) << "higher than the map";
}

struct Damage {
    const char* what;
    void (*damage)(Map&);
    const char* message;
};

class DamagedPixelMap : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedPixelMap, IsRefusedWithTheReason) {
    Map map(6, 4, 24);
    GetParam().damage(map);
    Result<PixelMapView> view = view_pixel_map(map.handle());
    ASSERT_FALSE(view.ok()) << GetParam().what;
    EXPECT_NE(view.error().find(GetParam().message), std::string::npos) << view.error();
}

INSTANTIATE_TEST_SUITE_P(
    Maps, DamagedPixelMap,
    ::testing::Values(Damage{"no map", [](Map& m) { m.pointer = nullptr; }, "no pixel map"},
                      Damage{"no pixels", [](Map& m) { m.map.pixels = nullptr; }, "without pixels"},
                      Damage{"turned round", [](Map& m) { m.map.right = -6; }, "-6 x 4"},
                      Damage{"empty", [](Map& m) { m.map.bottom = 0; }, "6 x 0"},
                      Damage{"bounds that overflow",
                             [](Map& m) {
                                 m.map.left = -2000000000;
                                 m.map.right = 2000000000;
                             },
                             "4000000000 x 4"},
                      Damage{"short rows", [](Map& m) { m.map.row_bytes = 20; }, "rows of 20"}));

TEST(PixelMaps, ANullHandleIsNoMap) {
    EXPECT_FALSE(view_pixel_map(nullptr).ok());
}

TEST(Buffers, AreWholeRowsOfTheWidth) {
    std::vector<std::uint8_t> pixels(4 * 3 * 4);
    Result<host::HostPicture> picture = buffer_picture(pixels.data(), 4, 3);
    ASSERT_TRUE(picture.ok());
    EXPECT_EQ(picture->row_length, 4u);
    EXPECT_FALSE(buffer_picture(nullptr, 4, 3).ok());
    EXPECT_FALSE(buffer_picture(pixels.data(), 0, 3).ok());
    EXPECT_FALSE(buffer_picture(pixels.data(), 4, -3).ok());
    EXPECT_FALSE(buffer_picture(pixels.data(), max_picture_side + 1, 1).ok());
}

TEST(CopyPixelMapRows, CopiesEachRowWithItsOwnLengthAndNothingBeyond) {
    Map from(3, 2, 16, 0x11);
    Map to(4, 3, 20, 0xEE);
    from.pixels[16] = 0x22;  // second row's first byte
    const PixelMapView source = *view_pixel_map(from.handle());
    const PixelMapView target = *view_pixel_map(to.handle());
    copy_pixel_map_rows(source, target, 3, 2);
    for (std::size_t row = 0; row < 3; ++row) {
        for (std::size_t byte = 0; byte < 20; ++byte) {
            const std::uint8_t expected =
                row < 2 && byte < 12 ? (row == 1 && byte == 0 ? 0x22 : 0x11) : 0xEE;
            EXPECT_EQ(to.pixels[row * 20 + byte], expected) << row << ", " << byte;
        }
    }
    // A size either map lacks copies nothing.
    std::vector<std::uint8_t> before = to.pixels;
    copy_pixel_map_rows(source, target, 4, 2);
    copy_pixel_map_rows(source, target, 3, 3);
    EXPECT_EQ(to.pixels, before);
}

}  // namespace
}  // namespace kdr::hostkit
