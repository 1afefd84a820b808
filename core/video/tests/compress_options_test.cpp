#include "kaleidra/video/compress_options.h"

#include <gtest/gtest.h>

namespace kdr::video {
namespace {

CompressOptions sample() {
    CompressOptions options;
    options.stream_type = make_fourcc("vids");
    options.handler = make_fourcc("cvid");
    options.key_frame_every = 15;
    options.quality = 7500;
    options.bytes_per_second = 300000;
    options.flags = 0x0C;
    options.format_pointer = 0x00401000;
    options.format_size = 40;
    options.parameter_pointer = 0x00402000;
    options.parameters = {1, 2, 3, 4, 5};
    options.parameter_size = 5;
    options.interleave_every = 1;
    return options;
}

std::uint32_t word_at(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

TEST(CompressOptions, SerialisesFieldsInTheirPlacesThenTheParameterBlock) {
    const std::vector<std::uint8_t> bytes = serialize_compress_options(sample());
    ASSERT_EQ(bytes.size(), 44u + 5u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "vidscvid");
    EXPECT_EQ(word_at(bytes, 8), 15u);
    EXPECT_EQ(word_at(bytes, 12), 7500u);
    EXPECT_EQ(word_at(bytes, 16), 300000u);
    EXPECT_EQ(word_at(bytes, 20), 0x0Cu);
    EXPECT_EQ(word_at(bytes, 24), 0x00401000u);
    EXPECT_EQ(word_at(bytes, 28), 40u);
    EXPECT_EQ(word_at(bytes, 32), 0x00402000u);
    EXPECT_EQ(word_at(bytes, 36), 5u);
    EXPECT_EQ(word_at(bytes, 40), 1u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 44, bytes.end()),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

TEST(CompressOptions, RoundTripsByteForByte) {
    const std::vector<std::uint8_t> bytes = serialize_compress_options(sample());
    Result<CompressOptions> read = deserialize_compress_options(bytes.data(), bytes.size());
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(*read, sample());
    EXPECT_EQ(serialize_compress_options(*read), bytes);
}

TEST(CompressOptions, ShortOrLyingBlocksAreRefused) {
    std::vector<std::uint8_t> bytes = serialize_compress_options(sample());
    Result<CompressOptions> short_block = deserialize_compress_options(bytes.data(), 43);
    ASSERT_FALSE(short_block);
    EXPECT_NE(short_block.error().find("43 bytes, 44 expected"), std::string::npos);

    Result<CompressOptions> cut = deserialize_compress_options(bytes.data(), 47);
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.error().find("3 bytes, 5 expected"), std::string::npos) << cut.error();

    bytes[39] = 0x40;  // parameter size 1 GiB
    Result<CompressOptions> huge = deserialize_compress_options(bytes.data(), bytes.size());
    ASSERT_FALSE(huge);
    EXPECT_NE(huge.error().find("more than"), std::string::npos) << huge.error();
}

TEST(CompressOptions, FourccTextShowsUnprintableBytes) {
    EXPECT_EQ(fourcc_text(make_fourcc("MJPG")), "MJPG");
    EXPECT_EQ(fourcc_text(make_fourcc("ab")), "ab  ");
    EXPECT_EQ(fourcc_text(0x01020304u), "????");
}

}  // namespace
}  // namespace kdr::video
