#include "kaleidra/video/avi_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "kaleidra/testing/temp_folder.h"
#include "video_test_support.h"

namespace kdr::video {
namespace {

constexpr std::uint32_t frame_count = 12;

struct MadeByFfmpeg {
    const char* name;
    std::uint32_t width;
    std::uint32_t height;
    const char* arguments;
    const char* codec;
    double mean_tolerance;
    int max_tolerance;
};

class ReadsMoviesMadeByFfmpeg : public ::testing::TestWithParam<MadeByFfmpeg> {
  protected:
    void SetUp() override {
        if (!test::have_program("ffmpeg")) {
            GTEST_SKIP() << "the ffmpeg program is not installed";
        }
    }
    kdr::test::TempFolder folder;
};

TEST_P(ReadsMoviesMadeByFfmpeg, FrameExactlyInAnyOrder) {
    const MadeByFfmpeg& movie = GetParam();
    const auto file = test::make_avi_with_ffmpeg(folder.path(), movie.name, movie.width,
                                                 movie.height, frame_count, movie.arguments);
    Result<AviReader> reader = AviReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_EQ(reader->length(), frame_count);
    EXPECT_EQ(reader->rate(), 10u);
    EXPECT_EQ(reader->scale(), 1u);
    EXPECT_EQ(reader->width(), movie.width);
    EXPECT_EQ(reader->height(), movie.height);
    EXPECT_EQ(reader->codec_name(), movie.codec);

    auto check = [&](std::uint32_t index) {
        Result<const VideoFrame*> frame = reader->read_frame(index);
        ASSERT_TRUE(frame) << frame.error();
        const VideoFrame& picture = **frame;
        ASSERT_EQ(picture.width, movie.width);
        ASSERT_EQ(picture.height, movie.height);
        ASSERT_EQ(picture.stride, (movie.width * 3 + 3) / 4 * 4);
        ASSERT_EQ(picture.pixels.size(), std::size_t{picture.stride} * movie.height);
        SCOPED_TRACE("reading frame " + std::to_string(index));
        test::expect_frame(picture, index, frame_count, movie.mean_tolerance, movie.max_tolerance);
    };
    for (std::uint32_t f = 0; f < frame_count; ++f) {
        check(f);
    }
    // Reading in order never seeks after the first frame.
    EXPECT_LE(reader->seek_count(), 1u);
    for (std::uint32_t f : {7u, 3u, 8u, 11u, 0u, 9u, 9u, 2u}) {
        check(f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, ReadsMoviesMadeByFfmpeg,
    ::testing::Values(
        MadeByFfmpeg{"Raw", 64, 48, "-c:v rawvideo -pix_fmt bgr24", "rawvideo", 0, 0},
        MadeByFfmpeg{"RawOddWidth", 33, 20, "-c:v rawvideo -pix_fmt bgr24", "rawvideo", 0, 0},
        MadeByFfmpeg{"MotionJpeg", 64, 48, "-c:v mjpeg -q:v 2 -pix_fmt yuvj444p", "mjpeg", 2.5, 60},
        MadeByFfmpeg{"MsVideo1", 64, 48, "-c:v msvideo1", "msvideo1", 6, 90},
        MadeByFfmpeg{"Mpeg4KeyEveryFive", 64, 48, "-c:v mpeg4 -g 5 -bf 0 -q:v 2", "mpeg4", 3, 80},
        MadeByFfmpeg{"Mpeg4WithBFrames", 64, 48, "-c:v mpeg4 -g 5 -bf 2 -q:v 2", "mpeg4", 3, 80}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AviReader, FrameIndexIsClampedToTheLastFrame) {
    if (!test::have_program("ffmpeg")) {
        GTEST_SKIP() << "the ffmpeg program is not installed";
    }
    kdr::test::TempFolder folder;
    const auto file = test::make_avi_with_ffmpeg(folder.path(), "short", 16, 8, 3,
                                                 "-c:v rawvideo -pix_fmt bgr24");
    Result<AviReader> reader = AviReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    Result<const VideoFrame*> frame = reader->read_frame(1000);
    ASSERT_TRUE(frame) << frame.error();
    EXPECT_EQ((*frame)->index, 2u);
    EXPECT_EQ(test::compare(**frame, 2).max, 0);
}

TEST(AviReader, MissingOrForeignFilesFailWithTheirName) {
    kdr::test::TempFolder folder;
    Result<AviReader> missing = AviReader::open(folder.path() / "absent.avi");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("absent.avi"), std::string::npos) << missing.error();

    const auto text = folder.path() / "notes.avi";
    std::ofstream(text) << "these are not frames\n";
    Result<AviReader> foreign = AviReader::open(text);
    ASSERT_FALSE(foreign);
    EXPECT_NE(foreign.error().find("notes.avi"), std::string::npos) << foreign.error();
}

// A movie cut off anywhere either fails to open or gives frames and errors,
// never a crash or a read past its buffers (run under AddressSanitizer).
TEST(AviReader, SurvivesTruncatedFiles) {
    if (!test::have_program("ffmpeg")) {
        GTEST_SKIP() << "the ffmpeg program is not installed";
    }
    kdr::test::TempFolder folder;
    const auto whole = test::make_avi_with_ffmpeg(folder.path(), "whole", 32, 16, 8,
                                                  "-c:v mpeg4 -g 3 -bf 0 -q:v 4");
    std::vector<char> bytes;
    {
        std::ifstream in(whole, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(bytes.size(), 1000u);
    int opened = 0;
    int frames_read = 0;
    for (std::size_t cut :
         {std::size_t{0}, std::size_t{12}, std::size_t{100}, std::size_t{300}, bytes.size() / 3,
          bytes.size() / 2, bytes.size() - 200, bytes.size() - 9}) {
        const auto file = folder.path() / ("cut" + std::to_string(cut) + ".avi");
        std::ofstream(file, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(cut));
        Result<AviReader> reader = AviReader::open(file);
        if (!reader) {
            EXPECT_NE(reader.error().find(file.filename().string()), std::string::npos);
            continue;
        }
        ++opened;
        for (std::uint32_t f : {0u, 5u, 2u, 7u, 7u, 1u}) {
            Result<const VideoFrame*> frame = reader->read_frame(f);
            if (frame) {
                ++frames_read;
                EXPECT_EQ((*frame)->pixels.size(),
                          std::size_t{(*frame)->stride} * (*frame)->height);
            }
        }
    }
    // The longest cuts keep most of the movie.
    EXPECT_GT(opened, 0);
    EXPECT_GT(frames_read, 0);
}

}  // namespace
}  // namespace kdr::video
