#include "command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace kdr::editor::app {
namespace {

Result<CommandLine> parse(std::vector<const char*> words) {
    words.insert(words.begin(), "reelbench");
    return parse_command_line(static_cast<int>(words.size()), words.data());
}

TEST(CommandLine, NoArgumentsAsksForTheWindow) {
    Result<CommandLine> line = parse({});
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(line->command, Command::window);
    EXPECT_EQ(line->project, "");
}

TEST(CommandLine, AProjectAloneOpensTheWindowWithIt) {
    Result<CommandLine> line = parse({"films/intro.kdp"});
    ASSERT_TRUE(line.ok()) << line.error();
    EXPECT_EQ(line->command, Command::window);
    EXPECT_EQ(line->project, "films/intro.kdp");
}

TEST(CommandLine, RenderTakesEveryOption) {
    Result<CommandLine> line =
        parse({"--render", "p.kdp", "--preview", "--out=o.avi", "--frames", "30-59", "--engine",
               "Rnd_Hardware", "--threads", "2", "--quiet"});
    ASSERT_TRUE(line.ok()) << line.error();
    EXPECT_EQ(line->command, Command::render);
    EXPECT_EQ(line->project, "p.kdp");
    EXPECT_TRUE(line->preview);
    EXPECT_EQ(line->output, "o.avi");
    ASSERT_TRUE(line->frames);
    EXPECT_EQ(line->frames->first, 30);
    EXPECT_EQ(line->frames->last, 59);
    EXPECT_EQ(line->engine, "Rnd_Hardware");
    EXPECT_EQ(line->threads, 2);
    EXPECT_FALSE(line->progress);
}

TEST(CommandLine, JoinTakesTheOutputThenTheParts) {
    Result<CommandLine> line = parse({"--join", "all.avi", "a.avi", "b.avi"});
    ASSERT_TRUE(line.ok()) << line.error();
    EXPECT_EQ(line->command, Command::join);
    EXPECT_EQ(line->output, "all.avi");
    EXPECT_EQ(line->parts, (std::vector<std::string>{"a.avi", "b.avi"}));
}

struct Refusal {
    std::vector<const char*> words;
    const char* says;
};

class CommandLineRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(CommandLineRefusals, SayWhatIsWrong) {
    Result<CommandLine> line = parse(GetParam().words);
    ASSERT_FALSE(line.ok());
    EXPECT_NE(line.error().find(GetParam().says), std::string::npos) << line.error();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineRefusals,
    ::testing::Values(Refusal{{"--render"}, "needs a value"},
                      Refusal{{"--render", "p.kdp", "--frames", "9-3"}, "last frame comes before"},
                      Refusal{{"--render", "p.kdp", "--frames", "-3"}, "range A-B"},
                      Refusal{{"--render", "p.kdp", "--frames", "1-x"}, "not a whole number"},
                      Refusal{{"--render", "p.kdp", "--frames", "1-99999999999"},
                              "not a whole number"},
                      Refusal{{"--render", "p.kdp", "--threads", "3"}, "1 or 2"},
                      Refusal{{"--render", "p.kdp", "extra"}, "unexpected"},
                      Refusal{{"--join", "all.avi"}, "needs the movies"},
                      Refusal{{"--wobble"}, "unknown option --wobble"},
                      Refusal{{"p.kdp", "q.kdp"}, "say what to do"},
                      Refusal{{"p.kdp", "--preview"}, "say what to do"}));

TEST(CommandLine, FrameRangesIncludeBothEnds) {
    Result<FrameRange> range = parse_frame_range("0-0");
    ASSERT_TRUE(range.ok());
    EXPECT_EQ(range->first, 0);
    EXPECT_EQ(range->last, 0);
}

}  // namespace
}  // namespace kdr::editor::app
