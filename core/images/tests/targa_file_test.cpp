#include "kaleidra/images/targa_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An 18-byte Targa header followed by `body`.
Bytes targa(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t bits,
            const Bytes& body, std::uint8_t descriptor = 0) {
    Bytes bytes(18, 0);
    bytes[2] = type;
    bytes[12] = static_cast<std::uint8_t>(width);
    bytes[13] = static_cast<std::uint8_t>(width >> 8);
    bytes[14] = static_cast<std::uint8_t>(height);
    bytes[15] = static_cast<std::uint8_t>(height >> 8);
    bytes[16] = bits;
    bytes[17] = descriptor;
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

Bytes pixels_of(const TargaPicture& picture) {
    const std::size_t size = std::size_t{picture.width} * picture.height * picture.bytes_per_pixel;
    return Bytes(picture.pixels.get(), picture.pixels.get() + size);
}

void save(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

TEST(TargaDecode, UncompressedPixelsComeOutAsStored) {
    const Bytes body = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    Result<TargaPicture> picture = decode_targa(targa(2, 2, 2, 24, body).data(), 18 + 12);
    ASSERT_TRUE(picture) << picture.error();
    EXPECT_EQ(picture->width, 2u);
    EXPECT_EQ(picture->height, 2u);
    EXPECT_EQ(picture->bytes_per_pixel, 3);
    EXPECT_FALSE(picture->top_row_first);
    EXPECT_EQ(pixels_of(*picture), body);
}

TEST(TargaDecode, RunLengthPacketsRepeatAndCopyPixels) {
    // 5 x 1 at 32 bits: a run of 3 copies of one pixel, then 2 literal pixels.
    const Bytes body = {0x82, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12};
    const Bytes file = targa(10, 5, 1, 32, body);
    Result<TargaPicture> picture = decode_targa(file.data(), file.size());
    ASSERT_TRUE(picture) << picture.error();
    EXPECT_EQ(picture->bytes_per_pixel, 4);
    EXPECT_EQ(pixels_of(*picture),
              (Bytes{1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(TargaDecode, PacketsMayCrossRows) {
    // 2 x 2: one run of four pixels covers both rows.
    const Bytes file = targa(10, 2, 2, 24, {0x83, 9, 8, 7});
    Result<TargaPicture> picture = decode_targa(file.data(), file.size());
    ASSERT_TRUE(picture) << picture.error();
    EXPECT_EQ(pixels_of(*picture), (Bytes{9, 8, 7, 9, 8, 7, 9, 8, 7, 9, 8, 7}));
}

TEST(TargaDecode, SkipsIdentificationAndColourMap) {
    Bytes file = targa(2, 1, 1, 24, {});
    file[0] = 3;   // identification length
    file[1] = 1;   // colour map present
    file[5] = 2;   // two entries
    file[7] = 24;  // of 24 bits
    const Bytes tail = {'a', 'b', 'c', 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 40, 50, 60};
    file.insert(file.end(), tail.begin(), tail.end());
    Result<TargaPicture> picture = decode_targa(file.data(), file.size());
    ASSERT_TRUE(picture) << picture.error();
    EXPECT_EQ(pixels_of(*picture), (Bytes{40, 50, 60}));
}

TEST(TargaDecode, TopOriginIsKeptAndRightToLeftRowsAreTurnedRound) {
    const Bytes body = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6};
    Bytes file = targa(2, 3, 2, 24, body, 0x20 | 0x10);
    Result<TargaPicture> picture = decode_targa(file.data(), file.size());
    ASSERT_TRUE(picture) << picture.error();
    EXPECT_TRUE(picture->top_row_first);
    EXPECT_EQ(pixels_of(*picture), (Bytes{3, 3, 3, 2, 2, 2, 1, 1, 1, 6, 6, 6, 5, 5, 5, 4, 4, 4}));
}

struct BadTarga {
    const char* name;
    Bytes bytes;
    const char* message_part;
};

class TargaRefuses : public ::testing::TestWithParam<BadTarga> {};

TEST_P(TargaRefuses, WithAMessageAndNoPicture) {
    const BadTarga& bad = GetParam();
    Result<TargaPicture> picture = decode_targa(bad.bytes.data(), bad.bytes.size());
    ASSERT_FALSE(picture);
    EXPECT_NE(picture.error().find(bad.message_part), std::string::npos) << picture.error();
}

Bytes with_colour_map_past_end() {
    Bytes file = targa(2, 1, 1, 24, {1, 2, 3});
    file[1] = 1;
    file[5] = 0xFF;
    file[6] = 0xFF;
    file[7] = 32;
    return file;
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, TargaRefuses,
    ::testing::Values(
        BadTarga{"ShortHeader", Bytes(17, 0), "18-byte header"},
        BadTarga{"ColourMapped", targa(1, 1, 1, 8, {0}), "image type 1"},
        BadTarga{"Grey", targa(3, 1, 1, 8, {0}), "image type 3"},
        BadTarga{"SixteenBits", targa(2, 1, 1, 16, {0, 0}), "16 bits"},
        BadTarga{"ZeroWidth", targa(2, 0, 1, 24, {}), "outside"},
        BadTarga{"HugeHeight", targa(2, 1, 40000, 24, {}), "outside"},
        BadTarga{"TruncatedPixels", targa(2, 2, 2, 24, Bytes(11, 0)), "11 bytes, 12 expected"},
        BadTarga{"RunPastPicture", targa(10, 2, 1, 24, {0x82, 1, 2, 3}), "past the end"},
        BadTarga{"LiteralsPastPicture", targa(10, 1, 1, 24, {0x01, 1, 2, 3, 4, 5, 6}),
                 "past the end"},
        BadTarga{"LiteralsCutShort", targa(10, 2, 1, 24, {0x01, 1, 2, 3, 4}), "literal"},
        BadTarga{"RepeatCutShort", targa(10, 1, 1, 24, {0x80, 1, 2}), "repeated"},
        BadTarga{"PacketsEndEarly", targa(10, 3, 1, 24, {0x80, 1, 2, 3}), "ends before"},
        BadTarga{"RunLengthTooShortForSize", targa(10, 4000, 4000, 32, {0xFF, 1, 2, 3, 4}),
                 "too short"},
        BadTarga{"ColourMapPastEnd", with_colour_map_past_end(), "colour map"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TargaFile, LoadsIntoTheRecordAndTakesTheBufferOver) {
    test::TempFolder folder;
    const std::filesystem::path file = folder.path() / "frame.tga";
    save(file, targa(10, 3, 1, 32, {0x82, 10, 20, 30, 40}, 0x20));
    ImageRecord image;
    image_construct(image);
    ASSERT_TRUE(read_targa_file(image, file).ok());
    EXPECT_EQ(image.format, format_bgra);
    EXPECT_EQ(image.bytes_per_pixel, 4);
    EXPECT_EQ(image.alignment, 1);
    EXPECT_EQ(image.row_order, row_order_top_down);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.row_length, 3u);
    EXPECT_EQ(image.stored_rows, 1u);
    EXPECT_EQ(image.stride, 12u);
    EXPECT_EQ(image.size, 12u);
    EXPECT_EQ(image.owns, 1);
    EXPECT_EQ(image_pixel(image, 2, 0)[3], 40);
    image_release_all(image);
}

TEST(TargaFile, AFailedLoadLeavesTheRecordAsItWas) {
    test::TempFolder folder;
    const std::filesystem::path good = folder.path() / "good.tga";
    const std::filesystem::path bad = folder.path() / "bad.tga";
    save(good, targa(2, 1, 1, 24, {1, 2, 3}));
    save(bad, targa(10, 2, 1, 24, {0x82, 1, 2, 3}));
    ImageRecord image;
    image_construct(image);
    ASSERT_TRUE(read_targa_file(image, good).ok());
    const std::uint8_t* pixels = image.buffer;
    Status failed = read_targa_file(image, bad);
    EXPECT_FALSE(failed.ok());
    EXPECT_NE(failed.error().find("bad.tga"), std::string::npos) << failed.error();
    EXPECT_EQ(image.buffer, pixels);
    EXPECT_EQ(image.width, 1u);
    EXPECT_FALSE(read_targa_file(image, folder.path() / "missing.tga").ok());
    EXPECT_EQ(image.buffer, pixels);
    image_release_all(image);
}

TEST(TargaFile, WrittenFilesReadBackInAnyFormat) {
    test::TempFolder folder;
    for (std::uint8_t format : {format_rgb, format_argb}) {
        ImageRecord source;
        image_construct(source);
        image_set_shape(source, {format, static_cast<std::uint8_t>(image_has_alpha(format) ? 4 : 3),
                                 4, row_order_top_down, 3, 2});
        ASSERT_TRUE(image_allocate(source));
        for (std::uint32_t i = 0; i < source.size; ++i) {
            source.buffer[i] = static_cast<std::uint8_t>(i * 17 + 3);
        }
        const std::filesystem::path file = folder.path() / "out.tga";
        ASSERT_TRUE(write_targa_file(source, file).ok());
        ImageRecord read;
        image_construct(read);
        ASSERT_TRUE(read_targa_file(read, file).ok());
        EXPECT_EQ(read.format, image_has_alpha(format) ? format_bgra : format_bgr);
        EXPECT_EQ(read.row_order, row_order_bottom_up);
        // Red of pixel (x, y) sits at byte 0 (RGB) or 1 (ARGB) of the source
        // and byte 2 of the BGR(A) file.
        const int red = format == format_rgb ? 0 : 1;
        for (std::uint32_t y = 0; y < 2; ++y) {
            for (std::uint32_t x = 0; x < 3; ++x) {
                EXPECT_EQ(image_pixel(read, x, y)[2], image_pixel(source, x, y)[red])
                    << "pixel " << x << ", " << y;
            }
        }
        if (image_has_alpha(format)) {
            EXPECT_EQ(image_pixel(read, 1, 1)[3], image_pixel(source, 1, 1)[0]);
        }
        image_release_all(source);
        image_release_all(read);
    }
}

}  // namespace
}  // namespace kdr
