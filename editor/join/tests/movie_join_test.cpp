#include "kaleidra/editor/movie_join.h"

#include <gtest/gtest.h>

#include "kaleidra/editor_testing/editor_fixture.h"
#include "kaleidra/video/avi_reader.h"

namespace kdr::editor {
namespace {

class MovieJoin : public test::EditorTest, public ::testing::WithParamInterface<const char*> {};

// Three parts joined decode to exactly the frames of one movie written whole.
TEST_P(MovieJoin, PartsJoinedEqualTheWholeMovie) {
    const char* handler = GetParam();
    const auto whole = media() / "whole.avi";
    test::write_movie(whole, handler, 1, 0, 9, 32, 24, 25);
    std::vector<std::filesystem::path> parts;
    for (int i = 0; i < 3; ++i) {
        parts.push_back(media() / ("part" + std::to_string(i) + ".avi"));
        test::write_movie(parts.back(), handler, 1, 3 * i, 3, 32, 24, 25);
    }
    const auto joined = media() / "joined.avi";
    Result<JoinSummary> summary = join_movies(joined, parts);
    ASSERT_TRUE(summary.ok()) << summary.error();
    EXPECT_EQ(summary->frames, 9u);
    EXPECT_EQ(summary->parts, 3u);

    const std::string expected = test::framemd5(whole);
    ASSERT_EQ(expected.rfind("error:", 0), std::string::npos) << expected;
    EXPECT_EQ(test::framemd5(joined), expected);

    Result<video::AviReader> reader = video::AviReader::open(joined);
    ASSERT_TRUE(reader.ok()) << reader.error();
    EXPECT_EQ(reader->length(), 9u);
    EXPECT_EQ(reader->rate(), 25u);
}

INSTANTIATE_TEST_SUITE_P(Compressors, MovieJoin, ::testing::Values("DIB ", "MSVC", "MJPG"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             return name == "DIB " ? std::string("FullFrames") : name;
                         });

class MovieJoinRefusal : public test::EditorTest {
  protected:
    std::string refusal(const std::filesystem::path& second) {
        const auto first = media() / "first.avi";
        test::write_movie(first, "DIB ", 1, 0, 2, 32, 24, 25);
        Result<JoinSummary> summary = join_movies(media() / "out.avi", {first, second});
        EXPECT_FALSE(summary.ok());
        EXPECT_FALSE(std::filesystem::exists(media() / "out.avi"));
        return summary ? std::string() : summary.error();
    }
};

TEST_F(MovieJoinRefusal, PartsMustShareCompressorSizeAndRate) {
    const auto other_codec = media() / "mjpg.avi";
    test::write_movie(other_codec, "MJPG", 1, 0, 2, 32, 24, 25);
    EXPECT_NE(refusal(other_codec).find("compressed with"), std::string::npos);

    const auto other_size = media() / "size.avi";
    test::write_movie(other_size, "DIB ", 1, 0, 2, 16, 24, 25);
    EXPECT_NE(refusal(other_size).find("16 x 24"), std::string::npos);

    const auto other_rate = media() / "rate.avi";
    test::write_movie(other_rate, "DIB ", 1, 0, 2, 32, 24, 30);
    EXPECT_NE(refusal(other_rate).find("frame rate"), std::string::npos);
}

TEST_F(MovieJoinRefusal, MissingPartsAreNamed) {
    EXPECT_NE(refusal(media() / "absent.avi").find("absent.avi"), std::string::npos);
    EXPECT_FALSE(join_movies(media() / "out.avi", {}).ok());
}

}  // namespace
}  // namespace kdr::editor
