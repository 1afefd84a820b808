#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kaleidra/records/layout.h"
#include "setting_names.h"

namespace kdr::render_tool {
namespace {

Result<RenderOptions> parse(std::vector<std::string> args) {
    std::vector<const char*> argv = {"kaleidra-render"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    return parse_command_line(static_cast<int>(argv.size()), argv.data());
}

const std::vector<std::string> minimal = {"--effect", "Ballsplt", "--a",   "a.avi",
                                          "--b",      "b.png",    "--out", "out.avi"};

std::vector<std::string> with(std::vector<std::string> extra) {
    std::vector<std::string> args = minimal;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

TEST(CommandLineTest, ReadsEveryOption) {
    Result<RenderOptions> options = parse(with({"--extra",      "c.tga",     "--extra=d%03d.png",
                                                "--frames",     "60",        "--size=640x480",
                                                "--fly",        "on",        "--set",
                                                "shadows=50",   "--set",     "video2.direction=90",
                                                "--settings",   "s.kdr",     "--engine",
                                                "Rnd_Hardware", "--threads", "2",
                                                "--fields",     "even",      "--codec",
                                                "DIB",          "--quality", "70",
                                                "--rate",       "29.97",     "--no-progress"}));
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->effect, "Ballsplt");
    EXPECT_EQ(options->source_a, "a.avi");
    EXPECT_EQ(options->source_b, "b.png");
    EXPECT_EQ(options->extras, (std::vector<std::string>{"c.tga", "d%03d.png"}));
    EXPECT_EQ(options->output, "out.avi");
    EXPECT_EQ(options->frames, 60u);
    EXPECT_EQ(options->width, 640u);
    EXPECT_EQ(options->height, 480u);
    ASSERT_TRUE(options->fly_on.has_value());
    EXPECT_TRUE(*options->fly_on);
    EXPECT_EQ(options->assignments,
              (std::vector<std::string>{"shadows=50", "video2.direction=90"}));
    EXPECT_EQ(options->settings_file, "s.kdr");
    EXPECT_EQ(options->engine, "Rnd_Hardware");
    EXPECT_EQ(options->threads, 2);
    EXPECT_EQ(options->fields, FieldOrder::even_first);
    EXPECT_EQ(options->codec, "DIB ") << "short codes are padded with blanks";
    EXPECT_EQ(options->quality, 70);
    EXPECT_EQ(options->rate, (video::FrameRate{30000, 1001})) << "29.97 is the broadcast rate";
    EXPECT_FALSE(options->progress);
}

TEST(CommandLineTest, DefaultsLeaveChoicesToTheSourcesAndRegistry) {
    Result<RenderOptions> options = parse(minimal);
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->frames, 30u);
    EXPECT_EQ(options->width, 0u);
    EXPECT_FALSE(options->fly_on.has_value());
    EXPECT_EQ(options->threads, 0);
    EXPECT_EQ(options->engine, "");
    EXPECT_EQ(options->fields, FieldOrder::none);
    EXPECT_TRUE(options->progress);
}

TEST(CommandLineTest, ReadsTheMediaOptions) {
    Result<RenderOptions> options =
        parse(with({"--codec", "h265", "--pix-fmt", "yuv444p", "--matrix", "bt601", "--range",
                    "full", "--rate", "30000/1001", "--a-start", "12", "--b-start=3", "--join",
                    "--at", "2.5", "--no-audio"}));
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->codec, "h265") << "codec names are not padded";
    EXPECT_EQ(options->pixel_format, "yuv444p");
    EXPECT_EQ(options->colour.matrix, video::ColourMatrix::bt601);
    EXPECT_EQ(options->colour.range, video::ColourRange::full);
    EXPECT_EQ(options->rate, (video::FrameRate{30000, 1001}));
    EXPECT_EQ(options->a_start, 12u);
    EXPECT_EQ(options->b_start, 3u);
    EXPECT_TRUE(options->join);
    EXPECT_EQ(options->at_seconds, 2.5);
    EXPECT_EQ(options->audio, AudioChoice::off);
    options = parse(with({"--audio", "--codec", "vp9"}));
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->audio, AudioChoice::on);
    EXPECT_EQ(options->codec, "vp9");
}

TEST(CommandLineTest, MediaDefaultsAreTheContainersAndSourcesOwn) {
    Result<RenderOptions> options = parse(minimal);
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->codec, "");
    EXPECT_FALSE(options->quality.has_value());
    EXPECT_FALSE(options->rate.valid());
    EXPECT_EQ(options->colour.matrix, video::ColourMatrix::bt709);
    EXPECT_EQ(options->colour.range, video::ColourRange::limited);
    EXPECT_FALSE(options->join);
    EXPECT_EQ(options->audio, AudioChoice::automatic);
}

TEST(CommandLineTest, SettingsFileMayNameTheEffect) {
    Result<RenderOptions> options =
        parse({"--settings", "s.kdr", "--a", "a.bmp", "--b", "b.bmp", "--out", "o.avi"});
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->effect, "");
}

TEST(CommandLineTest, HelpWinsOverEverythingElse) {
    Result<RenderOptions> options = parse({"--frames", "x", "--help"});
    ASSERT_FALSE(options);
    options = parse({"--help", "--frames", "x"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->help);
    EXPECT_NE(help_text().find("video2"), std::string::npos);
    EXPECT_NE(help_text().find("trail_spacing"), std::string::npos);
}

struct BadCase {
    std::vector<std::string> args;
    const char* message;
};

class BadCommandLineTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadCommandLineTest, SaysWhatIsWrong) {
    Result<RenderOptions> options = parse(GetParam().args);
    ASSERT_FALSE(options);
    EXPECT_NE(options.error().find(GetParam().message), std::string::npos) << options.error();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadCommandLineTest,
    ::testing::Values(
        BadCase{{"--effect", "E", "--b", "b", "--out", "o.avi"}, "two sources"},
        BadCase{{"--effect", "E", "--a", "a", "--b", "b"}, "no output"},
        BadCase{{"--a", "a", "--b", "b", "--out", "o.avi"}, "no effect"},
        BadCase{with({"--frames", "0"}), "--frames"},
        BadCase{with({"--frames", "12x"}), "--frames"},
        BadCase{with({"--size", "640"}), "WIDTHxHEIGHT"},
        BadCase{with({"--size", "0x480"}), "WIDTHxHEIGHT"},
        BadCase{with({"--size", "99999x2"}), "WIDTHxHEIGHT"},
        BadCase{with({"--fly", "maybe"}), "--fly"}, BadCase{with({"--threads", "3"}), "--threads"},
        BadCase{with({"--fields", "upper"}), "--fields"},
        BadCase{with({"--codec", "MJPEG"}), "--codec"},
        BadCase{with({"--quality", "101"}), "--quality"}, BadCase{with({"--rate", "0"}), "--rate"},
        BadCase{with({"--rate", "30/0"}), "--rate"}, BadCase{with({"--rate", "2000"}), "--rate"},
        BadCase{with({"--codec", "h264x"}), "--codec"},
        BadCase{with({"--matrix", "bt2020"}), "--matrix"},
        BadCase{with({"--range", "wide"}), "--range"},
        BadCase{with({"--a-start", "-1"}), "--a-start"},
        BadCase{with({"--b-start", "x"}), "--b-start"},
        BadCase{with({"--join", "--at", "-2"}), "--at"}, BadCase{with({"--at", "2"}), "add --join"},
        BadCase{with({"--set", "shadows"}), "NAME=VALUE"},
        BadCase{with({"--effect", std::string(41, 'e')}), "40 characters"},
        BadCase{with({"--bogus", "1"}), "unknown option"},
        BadCase{with({"stray"}), "unexpected argument"},
        BadCase{with({"--frames"}), "needs a value"}));

struct NameCase {
    const char* name;
    int parameter;
};

class SettingNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SettingNameTest, NamesTheParameter) {
    Result<int> number = parameter_for_name(GetParam().name);
    ASSERT_TRUE(number) << number.error();
    EXPECT_EQ(*number, GetParam().parameter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingNameTest,
    ::testing::Values(NameCase{"fly", 0}, NameCase{"style", 1}, NameCase{"render-style", 1},
                      NameCase{"Shadows", 6}, NameCase{"blur", 7}, NameCase{"blur_count", 8},
                      NameCase{"light_direction", 11}, NameCase{"transition_period", 15},
                      NameCase{"filter_distance", 21}, NameCase{"video1.shine", 100},
                      NameCase{"video2.direction", 205}, NameCase{"VIDEO20.trail-count", 2003},
                      NameCase{"video3.follows_direction", 306}, NameCase{"param.21", 21},
                      NameCase{"param.2009", 2009}));

class BadSettingNameTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BadSettingNameTest, IsRefused) {
    EXPECT_FALSE(parameter_for_name(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Cases, BadSettingNameTest,
                         ::testing::Values("shade", "video0.shine", "video21.shine",
                                           "video1.colour", "video.shine", "videoX.shine",
                                           "param.22", "param.99", "param.1010", "param.2100",
                                           "param.-1", ""));

TEST(SettingValueTest, AcceptsNumbersAndWords) {
    EXPECT_EQ(*parse_setting_value("50"), 50.0f);
    EXPECT_EQ(*parse_setting_value("-12.5"), -12.5f);
    EXPECT_EQ(*parse_setting_value("on"), 1.0f);
    EXPECT_EQ(*parse_setting_value("OFF"), 0.0f);
    EXPECT_EQ(*parse_setting_value("wire"), 2.0f);
    EXPECT_EQ(*parse_setting_value("flat"), 1.0f);
    EXPECT_FALSE(parse_setting_value(""));
    EXPECT_FALSE(parse_setting_value("12abc"));
    EXPECT_FALSE(parse_setting_value("nan"));
    EXPECT_FALSE(parse_setting_value("inf"));
}

TEST(SettingValueTest, ApplyStoresTheValueWhereTheNamePoints) {
    EffectSettings settings{};
    ASSERT_TRUE(apply_setting(settings, "shadows=75"));
    ASSERT_TRUE(apply_setting(settings, "video2.direction=90"));
    ASSERT_TRUE(apply_setting(settings, "video20.trail_spacing=3"));
    ASSERT_TRUE(apply_setting(settings, "style=wire"));
    EXPECT_EQ(settings.globals[global_shadows], 75.0f);
    EXPECT_EQ(settings.video_values[1][video_direction], 90.0f);
    EXPECT_EQ(settings.video_values[19][video_trail_spacing], 3.0f);
    EXPECT_EQ(settings.globals[global_render_style], 2.0f);
    Status bad = apply_setting(settings, "shadows=lots");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().find("not a number"), std::string::npos);
    EXPECT_FALSE(apply_setting(settings, "nothing"));
}

}  // namespace
}  // namespace kdr::render_tool
