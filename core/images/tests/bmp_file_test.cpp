#include "kaleidra/images/bmp_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A bitmap file with a 40-byte information header and `pixels` after it.
Bytes bitmap(std::int32_t width, std::int32_t height, std::uint16_t bits, const Bytes& pixels,
             std::uint32_t compression = 0, const Bytes& masks = {}) {
    Bytes bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 10, static_cast<std::uint32_t>(54 + masks.size()));
    put32(bytes, 14, 40);
    put32(bytes, 18, static_cast<std::uint32_t>(width));
    put32(bytes, 22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = static_cast<std::uint8_t>(bits);
    put32(bytes, 30, compression);
    bytes.insert(bytes.end(), masks.begin(), masks.end());
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    return bytes;
}

Bytes read_all(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void save(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

class BmpFileTest : public ::testing::Test {
  protected:
    ImageRecord load(const Bytes& bytes) {
        save(file, bytes);
        ImageRecord image;
        image_construct(image);
        Status status = read_bmp_file(image, file);
        EXPECT_TRUE(status.ok()) << status.error();
        return image;
    }
    test::TempFolder folder;
    std::filesystem::path file = folder.path() / "frame.bmp";
};

TEST_F(BmpFileTest, TwentyFourBitBottomUpBitmapKeepsItsPaddedRows) {
    // 2 x 2: rows of 6 bytes padded to 8, bottom row first.
    const Bytes pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    ImageRecord image = load(bitmap(2, 2, 24, pixels));
    EXPECT_EQ(image.format, format_bgr);
    EXPECT_EQ(image.bytes_per_pixel, 3);
    EXPECT_EQ(image.alignment, 4);
    EXPECT_EQ(image.row_order, row_order_bottom_up);
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(image.row_length, 2u);
    EXPECT_EQ(image.stored_rows, 2u);
    EXPECT_EQ(image.stride, 8u);
    EXPECT_EQ(image.size, 16u);
    EXPECT_FLOAT_EQ(image_bias(image, 3), 0.0f);
    EXPECT_EQ(Bytes(image.buffer, image.buffer + 16), pixels);
    // The top row of the picture is the second stored row.
    EXPECT_EQ(image_pixel(image, 1, 0)[0], 10);
    image_release_all(image);
}

TEST_F(BmpFileTest, NegativeHeightMeansTopRowFirst) {
    ImageRecord image = load(bitmap(1, -2, 24, {1, 2, 3, 0, 4, 5, 6, 0}));
    EXPECT_EQ(image.row_order, row_order_top_down);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(image_pixel(image, 0, 0)[0], 1);
    image_release_all(image);
}

TEST_F(BmpFileTest, ThirtyTwoBitBitmapIsBgraWithAlphaBias) {
    ImageRecord image = load(bitmap(1, 1, 32, {1, 2, 3, 4}));
    EXPECT_EQ(image.format, format_bgra);
    EXPECT_EQ(image.bytes_per_pixel, 4);
    EXPECT_FLOAT_EQ(image_bias(image, 3), 255.0f);
    EXPECT_FLOAT_EQ(image_bias(image, 0), 0.0f);
    image_release_all(image);
}

TEST_F(BmpFileTest, PlainBitFieldsAreRead) {
    const Bytes masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    ImageRecord image = load(bitmap(1, 1, 32, {1, 2, 3, 4}, 3, masks));
    EXPECT_EQ(image.format, format_bgra);
    EXPECT_EQ(image.buffer[2], 3);
    image_release_all(image);
}

TEST_F(BmpFileTest, WrittenBitmapsReadBack) {
    for (std::uint8_t format : {format_rgb, format_bgra}) {
        ImageRecord source;
        image_construct(source);
        image_set_shape(source, {format, static_cast<std::uint8_t>(image_has_alpha(format) ? 4 : 3),
                                 1, row_order_top_down, 5, 3});
        ASSERT_TRUE(image_allocate(source));
        for (std::uint32_t i = 0; i < source.size; ++i) {
            source.buffer[i] = static_cast<std::uint8_t>(i * 31 + 5);
        }
        ASSERT_TRUE(write_bmp_file(source, file).ok());
        const Bytes bytes = read_all(file);
        const std::size_t stride = format == format_rgb ? 16 : 20;
        ASSERT_EQ(bytes.size(), 54 + stride * 3);
        EXPECT_EQ(bytes[28], format == format_rgb ? 24 : 32);

        ImageRecord read;
        image_construct(read);
        ASSERT_TRUE(read_bmp_file(read, file).ok());
        EXPECT_EQ(read.row_order, row_order_bottom_up);
        for (std::uint32_t y = 0; y < 3; ++y) {
            for (std::uint32_t x = 0; x < 5; ++x) {
                const std::uint8_t* in = image_pixel(source, x, y);
                const std::uint8_t* out = image_pixel(read, x, y);
                if (format == format_rgb) {
                    EXPECT_EQ((Bytes{out[2], out[1], out[0]}), (Bytes{in[0], in[1], in[2]}));
                } else {
                    EXPECT_EQ(Bytes(out, out + 4), Bytes(in, in + 4));
                }
            }
        }
        image_release_all(source);
        image_release_all(read);
    }
}

struct BadBitmap {
    const char* name;
    Bytes bytes;
    const char* message_part;
};

class BmpRefuses : public ::testing::TestWithParam<BadBitmap> {};

TEST_P(BmpRefuses, WithAMessageAndNoPicture) {
    const BadBitmap& bad = GetParam();
    Result<BitmapPicture> picture = decode_bmp(bad.bytes.data(), bad.bytes.size());
    ASSERT_FALSE(picture);
    EXPECT_NE(picture.error().find(bad.message_part), std::string::npos) << picture.error();
}

Bytes changed(Bytes bytes, std::size_t at, std::uint32_t value) {
    put32(bytes, at, value);
    return bytes;
}

const Bytes one_pixel = bitmap(1, 1, 24, {1, 2, 3, 0});

INSTANTIATE_TEST_SUITE_P(
    BadInput, BmpRefuses,
    ::testing::Values(
        BadBitmap{"Short", Bytes(20, 0), "shorter"},
        BadBitmap{"WrongMagic", changed(one_pixel, 0, 0x4D43), "magic"},
        BadBitmap{"EightBits", bitmap(1, 1, 8, {1, 0, 0, 0}), "8 bits"},
        BadBitmap{"RunLength", bitmap(1, 1, 24, {1, 2, 3, 0}, 1), "compression 1"},
        BadBitmap{"SwappedBitFields",
                  bitmap(1, 1, 32, {1, 2, 3, 4}, 3, {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0}),
                  "bit fields"},
        BadBitmap{"ZeroHeight", bitmap(1, 0, 24, {}), "outside"},
        BadBitmap{"NegativeWidth", bitmap(-1, 1, 24, {1, 2, 3, 0}), "outside"},
        BadBitmap{"MostNegativeHeight", bitmap(1, INT32_MIN, 24, {1, 2, 3, 0}), "outside"},
        BadBitmap{"HugeWidth", bitmap(100000, 1, 24, {}), "outside"},
        BadBitmap{"TruncatedPixels", bitmap(2, 2, 24, Bytes(15, 0)), "16 expected"},
        BadBitmap{"PixelsPastEnd", changed(one_pixel, 10, 5000), "offset 5000"},
        BadBitmap{"PixelsInsideHeader", changed(one_pixel, 10, 20), "offset 20"},
        BadBitmap{"HeaderSizeLies", changed(one_pixel, 14, 0xFFFFFFF0u), "header size"},
        BadBitmap{"TwoPlanes", changed(one_pixel, 26, 0x00180002u), "2 planes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BmpFileTest, AFailedLoadLeavesTheRecordAsItWas) {
    ImageRecord image = load(one_pixel);
    const std::uint8_t* pixels = image.buffer;
    save(file, bitmap(2, 2, 24, Bytes(3, 0)));
    EXPECT_FALSE(read_bmp_file(image, file).ok());
    EXPECT_EQ(image.buffer, pixels);
    EXPECT_EQ(image.width, 1u);
    image_release_all(image);
}

}  // namespace
}  // namespace kdr
