#include "kaleidra/video/movie_join.h"

#include <gtest/gtest.h>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/avi_reader.h"
#include "kaleidra/video/avi_writer.h"
#include "video_test_support.h"

namespace kdr::video {
namespace {

// Frames first .. first + count - 1 of the test pictures.
void write_movie(const std::filesystem::path& file, const char* handler, std::uint32_t first,
                 std::uint32_t count, std::uint32_t width = 32, std::uint32_t height = 24,
                 std::uint32_t rate = 25) {
    CompressOptions options;
    options.handler = make_fourcc(handler);
    Result<AviWriter> writer = AviWriter::create(file, width, height, rate, options);
    ASSERT_TRUE(writer.ok()) << writer.error();
    for (std::uint32_t f = first; f < first + count; ++f) {
        const std::vector<std::uint8_t> frame =
            test::bitmap_of(test::picture(width, height, f), width, height);
        ASSERT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
    }
    ASSERT_TRUE(writer->close().ok());
}

std::string framemd5(const std::filesystem::path& movie) {
    return test::run("ffmpeg -v error -nostdin -i " + test::quoted(movie) + " -f framemd5 -");
}

class MovieJoin : public ::testing::TestWithParam<const char*> {
  protected:
    kdr::test::TempFolder folder;
};

// Three parts joined decode to exactly the frames of one movie written whole.
TEST_P(MovieJoin, PartsJoinedEqualTheWholeMovie) {
    const auto whole = folder.path() / "whole.avi";
    write_movie(whole, GetParam(), 0, 9);
    std::vector<std::filesystem::path> parts;
    for (std::uint32_t i = 0; i < 3; ++i) {
        parts.push_back(folder.path() / ("part" + std::to_string(i) + ".avi"));
        write_movie(parts.back(), GetParam(), 3 * i, 3);
    }
    const auto joined = folder.path() / "joined.avi";
    Result<JoinSummary> summary = join_movies(joined, parts);
    ASSERT_TRUE(summary.ok()) << summary.error();
    EXPECT_EQ(summary->frames, 9u);
    EXPECT_EQ(summary->parts, 3u);
    EXPECT_EQ(framemd5(joined), framemd5(whole));

    Result<AviReader> reader = AviReader::open(joined);
    ASSERT_TRUE(reader.ok()) << reader.error();
    EXPECT_EQ(reader->length(), 9u);
    EXPECT_EQ(reader->rate(), 25u);
}

INSTANTIATE_TEST_SUITE_P(Compressors, MovieJoin, ::testing::Values("DIB ", "MSVC", "MJPG"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             const std::string name = info.param;
                             return name == "DIB " ? std::string("FullFrames") : name;
                         });

class MovieJoinRefusal : public ::testing::Test {
  protected:
    std::string refusal(const std::filesystem::path& second) {
        const auto first = folder.path() / "first.avi";
        write_movie(first, "DIB ", 0, 2);
        const auto out = folder.path() / "out.avi";
        Result<JoinSummary> summary = join_movies(out, {first, second});
        EXPECT_FALSE(summary.ok());
        EXPECT_FALSE(std::filesystem::exists(out));
        return summary ? std::string() : summary.error();
    }

    kdr::test::TempFolder folder;
};

TEST_F(MovieJoinRefusal, PartsMustShareCompressorSizeAndRate) {
    const auto other_codec = folder.path() / "mjpg.avi";
    write_movie(other_codec, "MJPG", 0, 2);
    EXPECT_NE(refusal(other_codec).find("compressed with"), std::string::npos);

    const auto other_size = folder.path() / "size.avi";
    write_movie(other_size, "DIB ", 0, 2, 16, 24);
    EXPECT_NE(refusal(other_size).find("16 x 24"), std::string::npos);

    const auto other_rate = folder.path() / "rate.avi";
    write_movie(other_rate, "DIB ", 0, 2, 32, 24, 30);
    EXPECT_NE(refusal(other_rate).find("frame rate"), std::string::npos);
}

TEST_F(MovieJoinRefusal, MissingPartsAreNamed) {
    EXPECT_NE(refusal(folder.path() / "absent.avi").find("absent.avi"), std::string::npos);
    EXPECT_FALSE(join_movies(folder.path() / "out.avi", {}).ok());
}

}  // namespace
}  // namespace kdr::video
