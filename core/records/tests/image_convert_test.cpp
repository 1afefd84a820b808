#include "kaleidra/records/image_convert.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "image_convert_testing.h"
#include "kaleidra/records/image_record.h"

namespace kdr {
namespace {

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

std::string describe(const Rgba& c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
           ", " + std::to_string(c.a) + ")";
}

// Where each channel of a format lies in a pixel, written out from the format
// table (red, green, blue, alpha; -1 = none), independent of the code under
// test.
struct Channels {
    int r, g, b, a;
};

Channels channels_of(std::uint8_t format) {
    switch (format) {
        case format_rgb:
            return {0, 1, 2, -1};
        case format_bgr:
            return {2, 1, 0, -1};
        case format_rgba:
            return {0, 1, 2, 3};
        case format_bgra:
            return {2, 1, 0, 3};
        case format_abgr:
            return {3, 2, 1, 0};
        case format_argb:
            return {1, 2, 3, 0};
    }
    ADD_FAILURE() << "no such format " << int{format};
    return {0, 0, 0, -1};
}

class Picture {
  public:
    Picture(std::uint32_t width, std::uint32_t height, std::uint8_t format, std::uint8_t bpp,
            std::uint8_t order = row_order_bottom_up, std::uint8_t alignment = 4) {
        image_construct(m_image);
        image_set_shape(m_image, {format, bpp, alignment, order, width, height});
        EXPECT_TRUE(image_allocate(m_image));
    }
    ~Picture() { image_release_all(m_image); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    ImageRecord& record() { return m_image; }

    void fill(std::uint8_t value) { std::memset(m_image.buffer, value, m_image.size); }

    void set(std::uint32_t x, std::uint32_t y, Rgba colour) {
        std::uint8_t* pixel = image_pixel(m_image, x, y);
        const Channels c = channels_of(m_image.format);
        pixel[c.r] = static_cast<std::uint8_t>(colour.r);
        pixel[c.g] = static_cast<std::uint8_t>(colour.g);
        pixel[c.b] = static_cast<std::uint8_t>(colour.b);
        if (c.a >= 0) {
            pixel[c.a] = static_cast<std::uint8_t>(colour.a);
        }
    }

    // Alpha reads 255 for formats without one.
    Rgba get(std::uint32_t x, std::uint32_t y) const {
        const std::uint8_t* pixel = image_pixel(m_image, x, y);
        const Channels c = channels_of(m_image.format);
        return {pixel[c.r], pixel[c.g], pixel[c.b], c.a >= 0 ? pixel[c.a] : 255};
    }

  private:
    ImageRecord m_image;
};

// A colour that differs in every channel and from pixel to pixel.
Rgba pattern(std::uint32_t x, std::uint32_t y) {
    return {static_cast<int>((x * 7 + y * 13 + 1) & 0xFF),
            static_cast<int>((x * 29 + y * 3 + 50) & 0xFF),
            static_cast<int>((x * 11 + y * 41 + 100) & 0xFF),
            static_cast<int>((x * 5 + y * 17 + 7) & 0xFF)};
}

void expect_pixels(const Picture& picture, std::uint32_t first_row, std::uint32_t end_row,
                   const std::function<Rgba(std::uint32_t, std::uint32_t)>& expected) {
    Picture& p = const_cast<Picture&>(picture);
    for (std::uint32_t y = first_row; y < end_row; ++y) {
        for (std::uint32_t x = 0; x < p.record().width; ++x) {
            const Rgba want = expected(x, y);
            const Rgba got = picture.get(x, y);
            if (!(want == got)) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): expected " << describe(want)
                              << ", got " << describe(got);
                return;
            }
        }
    }
}

struct Layout {
    std::uint8_t format;
    std::uint8_t bpp;
};

constexpr std::array<Layout, 8> all_layouts = {{{format_rgb, 3},
                                                {format_rgb, 4},
                                                {format_bgr, 3},
                                                {format_bgr, 4},
                                                {format_rgba, 4},
                                                {format_bgra, 4},
                                                {format_abgr, 4},
                                                {format_argb, 4}}};

// Each pair runs through the fastest loops this processor allows and through
// the portable ones.
class ConvertEveryPair : public ::testing::TestWithParam<std::tuple<Layout, Layout, bool>> {
  protected:
    void SetUp() override { force_portable_conversion(std::get<2>(GetParam())); }
    void TearDown() override { force_portable_conversion(false); }
};

// Same size and half size for every pair of layouts, on an odd width wide
// enough that vectorised loops run their main body and their tail.
TEST_P(ConvertEveryPair, MovesChannelsByNameAndFillsMissingAlpha) {
    const auto [from, to, portable] = GetParam();
    const bool source_alpha = image_has_alpha(from.format);
    const bool target_alpha = image_has_alpha(to.format);
    auto expected_colour = [&](Rgba c) {
        c.a = source_alpha && target_alpha ? c.a : 255;
        return c;
    };

    (void)portable;
    Picture source(37, 3, from.format, from.bpp);
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t x = 0; x < 37; ++x) {
            source.set(x, y, pattern(x, y));
        }
    }
    Picture target(37, 3, to.format, to.bpp, row_order_top_down);
    target.fill(0x5A);
    ASSERT_TRUE(image_convert(source.record(), target.record(), convert_all_rows));
    expect_pixels(target, 0, 3,
                  [&](std::uint32_t x, std::uint32_t y) { return expected_colour(pattern(x, y)); });

    // Each 2 x 2 block holds four colours whose channel sums are known.
    Picture wide(38, 2, from.format, from.bpp);
    for (std::uint32_t y = 0; y < 2; ++y) {
        for (std::uint32_t x = 0; x < 38; ++x) {
            wide.set(x, y, pattern(x, y));
        }
    }
    Picture half(19, 1, to.format, to.bpp);
    ASSERT_TRUE(image_convert(wide.record(), half.record(), convert_all_rows));
    expect_pixels(half, 0, 1, [&](std::uint32_t x, std::uint32_t) {
        const Rgba c[4] = {pattern(2 * x, 0), pattern(2 * x + 1, 0), pattern(2 * x, 1),
                           pattern(2 * x + 1, 1)};
        Rgba average{
            (c[0].r + c[1].r + c[2].r + c[3].r) / 4, (c[0].g + c[1].g + c[2].g + c[3].g) / 4,
            (c[0].b + c[1].b + c[2].b + c[3].b) / 4, (c[0].a + c[1].a + c[2].a + c[3].a) / 4};
        return expected_colour(average);
    });
}

std::string layout_name(const Layout& layout) {
    const char* names[] = {"", "Rgb", "Bgr", "",     "", "",     "", "",     "", "", "", "",    "",
                           "", "",    "",    "Rgba", "", "Bgra", "", "Abgr", "", "", "", "Argb"};
    return names[layout.format] + std::to_string(layout.bpp);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, ConvertEveryPair,
                         ::testing::Combine(::testing::ValuesIn(all_layouts),
                                            ::testing::ValuesIn(all_layouts), ::testing::Bool()),
                         [](const auto& info) {
                             return layout_name(std::get<0>(info.param)) + "To" +
                                    layout_name(std::get<1>(info.param)) +
                                    (std::get<2>(info.param) ? "Portable" : "Fastest");
                         });

TEST(ImageConvert, BgrToBgraSetsEveryAlphaTo255) {
    Picture source(5, 2, format_bgr, 3);
    source.fill(0);  // every source byte 0, padding included
    Picture target(5, 2, format_bgra, 4);
    target.fill(7);
    ASSERT_TRUE(image_convert(source.record(), target.record(), convert_all_rows));
    for (std::uint32_t i = 0; i < target.record().size; ++i) {
        EXPECT_EQ(target.record().buffer[i], i % 4 == 3 ? 255 : 0) << "byte " << i;
    }
}

TEST(ImageConvert, HalfModesFillOnlyTheirRowsCountedFromTheTop) {
    // A bottom-up target of odd height: the upper half is rows 0..1, the
    // lower half rows 2..4 of the picture.
    Picture source(3, 5, format_bgr, 3, row_order_top_down);
    for (std::uint32_t y = 0; y < 5; ++y) {
        for (std::uint32_t x = 0; x < 3; ++x) {
            source.set(x, y, pattern(x, y));
        }
    }
    const Rgba untouched{0x11, 0x11, 0x11, 0x11};
    auto rows_filled = [&](int mode, std::uint32_t first, std::uint32_t end) {
        Picture target(3, 5, format_bgra, 4, row_order_bottom_up);
        target.fill(0x11);
        ASSERT_TRUE(image_convert(source.record(), target.record(), mode));
        expect_pixels(target, 0, 5, [&](std::uint32_t x, std::uint32_t y) {
            if (y < first || y >= end) {
                return untouched;
            }
            Rgba c = pattern(x, y);
            c.a = 255;
            return c;
        });
    };
    rows_filled(convert_upper_half, 0, 2);
    rows_filled(convert_lower_half, 2, 5);
    rows_filled(convert_all_rows, 0, 5);
}

TEST(ImageConvert, HalvingAveragesEachBlockRoundingDown) {
    // 4 x 2 source, 2 x 1 target, values chosen so that the sums are not
    // multiples of four.
    Picture source(4, 2, format_bgr, 3, row_order_top_down);
    source.set(0, 0, {10, 0, 255, 0});
    source.set(1, 0, {20, 1, 255, 0});
    source.set(0, 1, {30, 1, 255, 0});
    source.set(1, 1, {41, 1, 254, 0});
    source.set(2, 0, {0, 100, 3, 0});
    source.set(3, 0, {0, 100, 0, 0});
    source.set(2, 1, {1, 100, 0, 0});
    source.set(3, 1, {2, 103, 0, 0});
    Picture target(2, 1, format_bgra, 4);
    ASSERT_TRUE(image_convert(source.record(), target.record(), convert_all_rows));
    EXPECT_EQ(target.get(0, 0), (Rgba{25, 0, 254, 255}));
    EXPECT_EQ(target.get(1, 0), (Rgba{0, 100, 0, 255}));
}

TEST(ImageConvert, HalvingKeepsTheAverageOfSourceAlpha) {
    Picture source(2, 2, format_argb, 4);
    source.set(0, 0, {0, 0, 0, 255});
    source.set(1, 0, {0, 0, 0, 0});
    source.set(0, 1, {0, 0, 0, 100});
    source.set(1, 1, {0, 0, 0, 1});
    Picture target(1, 1, format_rgba, 4);
    ASSERT_TRUE(image_convert(source.record(), target.record(), convert_all_rows));
    EXPECT_EQ(target.get(0, 0).a, (255 + 0 + 100 + 1) / 4);
}

// The alpha bias of a source (32-bit bitmaps carry 255.0) is added to its
// alpha as it is read: a + bias x 255, rounded, held to 0..255.
struct BiasCase {
    float bias;
    int stored;
    int read;
};

class ConvertAlphaBias : public ::testing::TestWithParam<BiasCase> {};

TEST_P(ConvertAlphaBias, SourceAlphaIsReadThroughItsBias) {
    const BiasCase c = GetParam();
    // Every alpha layout, same size, half size and another ratio.
    for (std::uint8_t format : {format_rgba, format_bgra, format_abgr, format_argb}) {
        for (std::uint32_t target_width : {6u, 3u, 4u}) {
            Picture source(6, 4, format, 4);
            for (std::uint32_t y = 0; y < 4; ++y) {
                for (std::uint32_t x = 0; x < 6; ++x) {
                    Rgba colour = pattern(x, y);
                    colour.a = c.stored;
                    source.set(x, y, colour);
                }
            }
            image_set_bias(source.record(), 3, c.bias);
            const std::uint32_t target_height = target_width == 6 ? 4 : 2;
            Picture target(target_width, target_height, format_bgra, 4);
            ASSERT_TRUE(image_convert(source.record(), target.record(), convert_all_rows));
            for (std::uint32_t y = 0; y < target_height; ++y) {
                for (std::uint32_t x = 0; x < target_width; ++x) {
                    EXPECT_EQ(target.get(x, y).a, c.read) << "format " << int{format} << ", width "
                                                          << target_width << ", bias " << c.bias;
                }
            }
            // The source itself is left as it was.
            EXPECT_EQ(source.get(1, 1).a, c.stored);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Biases, ConvertAlphaBias,
    ::testing::Values(BiasCase{255.0f, 0, 255}, BiasCase{1.0f, 0, 255}, BiasCase{0.0f, 9, 9},
                      BiasCase{0.5f, 0, 128}, BiasCase{0.5f, 200, 255}, BiasCase{-0.25f, 100, 36},
                      BiasCase{-3.0f, 250, 0},
                      BiasCase{std::numeric_limits<float>::quiet_NaN(), 17, 17},
                      BiasCase{std::numeric_limits<float>::infinity(), 0, 255}));

TEST(ImageConvert, AlphaBiasLeavesColoursAndAlphaFreeTargetsAlone) {
    Picture source(5, 3, format_bgra, 4);
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t x = 0; x < 5; ++x) {
            Rgba colour = pattern(x, y);
            colour.a = 0;
            source.set(x, y, colour);
        }
    }
    image_set_bias(source.record(), 3, 255.0f);
    Picture rgb(5, 3, format_rgb, 3);
    ASSERT_TRUE(image_convert(source.record(), rgb.record(), convert_all_rows));
    Picture bgra(5, 3, format_bgra, 4);
    ASSERT_TRUE(image_convert(source.record(), bgra.record(), convert_all_rows));
    expect_pixels(rgb, 0, 3, [](std::uint32_t x, std::uint32_t y) {
        Rgba c = pattern(x, y);
        c.a = 255;
        return c;
    });
    expect_pixels(bgra, 0, 3, [](std::uint32_t x, std::uint32_t y) {
        Rgba c = pattern(x, y);
        c.a = 255;
        return c;
    });
    // A source without alpha has no alpha bias, whatever its block holds.
    Picture bgr(5, 3, format_bgr, 3);
    bgr.fill(0);
    image_set_bias(bgr.record(), 3, -1.0f);
    ASSERT_TRUE(image_convert(bgr.record(), bgra.record(), convert_all_rows));
    EXPECT_EQ(bgra.get(2, 2).a, 255);
}

TEST(ImageConvert, OtherRatiosAverageUnevenBlocks) {
    // Width 5 into 2: blocks are columns 0..1 and 2..4. Height 3 into 2:
    // rows 0..0 and 1..2.
    Picture source(5, 3, format_rgb, 3, row_order_top_down);
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t x = 0; x < 5; ++x) {
            source.set(x, y, {static_cast<int>(10 * x + y), static_cast<int>(x * x), 200, 0});
        }
    }
    Picture target(2, 2, format_bgr, 3);
    ASSERT_TRUE(image_convert(source.record(), target.record(), convert_all_rows));
    // Block (0, 0): reds 0, 10 -> 5; greens 0, 1 -> 0.
    EXPECT_EQ(target.get(0, 0), (Rgba{5, 0, 200, 255}));
    // Block (1, 0): reds 20, 30, 40 -> 30; greens 4, 9, 16 -> 9.
    EXPECT_EQ(target.get(1, 0), (Rgba{30, 9, 200, 255}));
    // Block (0, 1): reds 1, 11, 2, 12 -> 6; greens 0, 1, 0, 1 -> 0.
    EXPECT_EQ(target.get(0, 1), (Rgba{6, 0, 200, 255}));
    // Block (1, 1): reds 21, 31, 41, 22, 32, 42 -> 31; greens 4, 9, 16 twice -> 9.
    EXPECT_EQ(target.get(1, 1), (Rgba{31, 9, 200, 255}));
}

TEST(ImageConvert, LargerTargetTakesAtLeastOneSourcePixelPerBlock) {
    Picture source(2, 1, format_bgr, 3);
    source.set(0, 0, {1, 2, 3, 0});
    source.set(1, 0, {4, 5, 6, 0});
    Picture target(4, 2, format_bgr, 3);
    ASSERT_TRUE(image_convert(source.record(), target.record(), convert_all_rows));
    for (std::uint32_t y = 0; y < 2; ++y) {
        EXPECT_EQ(target.get(0, y), (Rgba{1, 2, 3, 255}));
        EXPECT_EQ(target.get(1, y), (Rgba{1, 2, 3, 255}));
        EXPECT_EQ(target.get(2, y), (Rgba{4, 5, 6, 255}));
        EXPECT_EQ(target.get(3, y), (Rgba{4, 5, 6, 255}));
    }
}

TEST(ImageConvert, DownscaleHonoursTheRowMode) {
    Picture source(4, 4, format_bgr, 3, row_order_top_down);
    for (std::uint32_t y = 0; y < 4; ++y) {
        for (std::uint32_t x = 0; x < 4; ++x) {
            source.set(x, y, {static_cast<int>(y * 40), 0, 0, 0});
        }
    }
    Picture target(2, 2, format_bgr, 3);
    target.fill(0x33);
    ASSERT_TRUE(image_convert(source.record(), target.record(), convert_lower_half));
    EXPECT_EQ(target.get(0, 0), (Rgba{0x33, 0x33, 0x33, 255}));
    EXPECT_EQ(target.get(1, 1), (Rgba{100, 0, 0, 255}));  // rows 2 and 3: (80 + 120) / 2
}

TEST(ImageConvert, ReadsAndWritesThroughSkipsOffsetsAndFields) {
    // The source is a 2 x 2 window at (1, 1) of a 4 x 3 top-down buffer.
    Picture source(4, 3, format_bgr, 3, row_order_top_down);
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t x = 0; x < 4; ++x) {
            source.set(x, y, pattern(x, y));
        }
    }
    ImageRecord window = source.record();
    window.width = 2;
    window.height = 2;
    window.skip_pixels = 1;
    window.skip_rows = 1;
    // The target is field 1 of a 2 x 4 bottom-up picture: picture rows 1 and 3.
    Picture target(2, 4, format_bgr, 3, row_order_bottom_up);
    target.fill(0);
    ImageRecord field = target.record();
    image_select_field(field, 1);
    ASSERT_TRUE(image_convert(window, field, convert_all_rows));
    auto with_opaque = [](Rgba c) {
        c.a = 255;
        return c;
    };
    EXPECT_EQ(target.get(0, 1), with_opaque(pattern(1, 1)));
    EXPECT_EQ(target.get(1, 1), with_opaque(pattern(2, 1)));
    EXPECT_EQ(target.get(0, 3), with_opaque(pattern(1, 2)));
    EXPECT_EQ(target.get(1, 3), with_opaque(pattern(2, 2)));
    EXPECT_EQ(target.get(0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(target.get(1, 2), (Rgba{0, 0, 0, 255}));
}

TEST(ImageConvert, RefusesRecordsItCannotConvertAndCopiesNothing) {
    Picture source(2, 2, format_bgr, 3);
    source.fill(9);
    Picture target(2, 2, format_bgra, 4);
    auto refused = [&](const ImageRecord& from, const ImageRecord& to, int mode) {
        target.fill(0);
        const bool converted = image_convert(from, to, mode);
        bool untouched = true;
        for (std::uint32_t i = 0; i < target.record().size; ++i) {
            untouched = untouched && target.record().buffer[i] == 0;
        }
        return !converted && untouched;
    };
    ImageRecord no_buffer = source.record();
    no_buffer.buffer = nullptr;
    EXPECT_TRUE(refused(no_buffer, target.record(), convert_all_rows));
    ImageRecord unknown_format = source.record();
    unknown_format.format = 3;
    EXPECT_TRUE(refused(unknown_format, target.record(), convert_all_rows));
    ImageRecord alpha_in_three_bytes = target.record();
    alpha_in_three_bytes.bytes_per_pixel = 3;
    EXPECT_TRUE(refused(source.record(), alpha_in_three_bytes, convert_all_rows));
    ImageRecord empty = source.record();
    empty.height = 0;
    EXPECT_TRUE(refused(empty, target.record(), convert_all_rows));
    EXPECT_TRUE(refused(source.record(), target.record(), 3));
    EXPECT_TRUE(refused(source.record(), target.record(), -1));
}

TEST(ImageConvert, LayoutSupportFollowsChannelCounts) {
    EXPECT_TRUE(image_layout_supported(format_bgr, 3));
    EXPECT_TRUE(image_layout_supported(format_bgr, 4));
    EXPECT_TRUE(image_layout_supported(format_argb, 4));
    EXPECT_FALSE(image_layout_supported(format_argb, 3));
    EXPECT_FALSE(image_layout_supported(format_bgr, 2));
    EXPECT_FALSE(image_layout_supported(0, 4));
    EXPECT_FALSE(image_layout_supported(17, 4));
}

// The row loop handed to callers is the one image_convert runs: a row it
// converts equals the same row converted as a one-row picture.
TEST(ImageConvert, RowFunctionConvertsAsThePictureConversionDoes) {
    EXPECT_EQ(image_convert_row_function(99, 4, format_bgra, 4), nullptr);
    EXPECT_EQ(image_convert_row_function(format_bgra, 3, format_bgra, 4), nullptr);
    EXPECT_EQ(image_convert_row_function(format_bgr, 3, format_rgba, 5), nullptr);
    const std::uint8_t formats[][2] = {
        {format_bgr, 3}, {format_rgb, 4}, {format_argb, 4}, {format_bgra, 4}};
    for (const auto& from : formats) {
        for (const auto& to : formats) {
            ConvertRowFunction convert = image_convert_row_function(from[0], from[1], to[0], to[1]);
            ASSERT_NE(convert, nullptr);
            constexpr std::uint32_t width = 45;
            std::vector<std::uint8_t> source(width * from[1]);
            for (std::size_t i = 0; i < source.size(); ++i) {
                source[i] = static_cast<std::uint8_t>(i * 29 + 3);
            }
            std::vector<std::uint8_t> by_row(width * to[1], 0);
            std::vector<std::uint8_t> by_picture(width * to[1], 0);
            convert(source.data(), by_row.data(), width);
            ImageRecord a{};
            ImageRecord b{};
            for (auto [record, layout, pixels] :
                 {std::tuple{&a, from, source.data()}, std::tuple{&b, to, by_picture.data()}}) {
                image_construct(*record);
                record->format = layout[0];
                record->bytes_per_pixel = layout[1];
                record->alignment = 1;
                record->width = record->row_length = width;
                record->height = record->stored_rows = 1;
                ASSERT_TRUE(image_update_sizes(*record));
                record->buffer = pixels;
            }
            ASSERT_TRUE(image_convert(a, b, convert_all_rows));
            for (std::uint32_t x = 0; x < width; ++x) {
                // The fourth byte of 4-byte RGB holds no channel.
                const int channels = to[0] == format_rgb || to[0] == format_bgr ? 3 : 4;
                for (int c = 0; c < channels; ++c) {
                    EXPECT_EQ(by_row[x * to[1] + c], by_picture[x * to[1] + c])
                        << int(from[0]) << " to " << int(to[0]) << " pixel " << x;
                }
            }
        }
    }
}

}  // namespace
}  // namespace kdr
