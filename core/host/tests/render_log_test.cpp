#include "kaleidra/host/render_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "kaleidra/testing/installation_test.h"

namespace kdr::host {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

platform::LocalTime stamp(int year, int month, int day, int hour, int minute, int second,
                          int millisecond) {
    platform::LocalTime time;
    time.year = static_cast<std::uint16_t>(year);
    time.month = static_cast<std::uint16_t>(month);
    time.day = static_cast<std::uint16_t>(day);
    time.hour = static_cast<std::uint16_t>(hour);
    time.minute = static_cast<std::uint16_t>(minute);
    time.second = static_cast<std::uint16_t>(second);
    time.millisecond = static_cast<std::uint16_t>(millisecond);
    return time;
}

// Shows the wall time and monotonic reading the test sets.
class FakeClock final : public LogClock {
  public:
    void set(const platform::LocalTime& wall, milliseconds since_start) {
        m_wall = wall;
        m_monotonic = Clock::time_point(since_start);
    }
    platform::LocalTime wall() override { return m_wall; }
    Clock::time_point monotonic() override { return m_monotonic; }

  private:
    platform::LocalTime m_wall;
    Clock::time_point m_monotonic;
};

EffectSettings example_settings() {
    EffectSettings settings;
    std::memset(&settings, 0, sizeof settings);
    std::strcpy(settings.name, "Ballsplt");
    settings.globals[global_fly_direction] = 1;
    settings.globals[global_render_style] = 0;
    settings.globals[global_render_quality] = 1;
    settings.globals[global_image_quality] = 1;
    settings.globals[global_antialias] = 0;
    settings.globals[global_lighting] = 1;
    settings.globals[global_light_direction] = 45;
    settings.globals[global_shadows] = 50;
    return settings;
}

FrameRecord example_field(std::uint32_t position, std::uint32_t total) {
    FrameRecord frame;
    std::memset(&frame, 0, sizeof frame);
    frame.width = 720;
    frame.height = 240;
    frame.flags = flag_field | flag_field_parity_0;
    frame.position = position;
    frame.total = total;
    return frame;
}

const std::string example_header =
    "\r\n\r\n--------------------------------------------------\r\n"
    "Effect    : Ballsplt\r\n"
    "Resolution: 720 x 480 (field)\r\n"
    "Engine    : Rnd_Generic\r\n"
    "Options   : FlyOn, Smooth, Best-Render, Best-Image, Antialias Off\r\n"
    "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0\r\n"
    "\r\n";

class RenderLogTest : public kdr::test::InstallationTest {
  protected:
    // One frame from `start` to `finish`, `duration` apart on the monotonic clock.
    void frame(RenderLog& log, const FrameRecord& record, const platform::LocalTime& start,
               const platform::LocalTime& finish, milliseconds duration) {
        clock.set(start, m_now);
        log.frame_start(record);
        m_now += duration;
        clock.set(finish, m_now);
        log.frame_end(record);
    }

    FakeClock clock;
    milliseconds m_now{1'000'000};
};

TEST_F(RenderLogTest, FullLoggingWritesTheExampleByteForByte) {
    set_number("Rnd_Logging", 2);
    RenderLog log(clock);
    const EffectSettings settings = example_settings();
    const FrameRecord record = example_field(12, 60);
    log.header(settings, record, "Rnd_Generic");
    frame(log, record, stamp(1998, 4, 2, 10, 31, 7, 125), stamp(1998, 4, 2, 10, 31, 7, 900),
          milliseconds(775));
    EXPECT_EQ(read_text(render_log()),
              example_header +
                  "       12 of     60 - Started :   10:31:07.125 1998/04/02\r\n"
                  "                    - Finished:   10:31:07.900 1998/04/02\r\n"
                  "                    - Elapsed :    0:00:00.775\r\n"
                  "\r\n"
                  "                    - Total   :    0:00:00.775\r\n"
                  "\r\n");
}

TEST_F(RenderLogTest, LevelOneWritesHeaderAndOneTotalPerFrame) {
    set_number("Rnd_Logging", 1);
    RenderLog log(clock);
    const EffectSettings settings = example_settings();
    log.header(settings, example_field(0, 2), "Rnd_Generic");
    frame(log, example_field(0, 2), stamp(2001, 1, 1, 9, 0, 0, 0), stamp(2001, 1, 1, 9, 0, 0, 400),
          milliseconds(400));
    frame(log, example_field(1, 2), stamp(2001, 1, 1, 9, 0, 0, 400), stamp(2001, 1, 1, 9, 0, 1, 0),
          milliseconds(600));
    EXPECT_EQ(read_text(render_log()),
              example_header +
                  "                    - Total   :    0:00:00.400\r\n\r\n"
                  "                    - Total   :    0:00:01.000\r\n\r\n");
}

TEST_F(RenderLogTest, LoggingOffWritesNothingAndTheSwitchIsReadAfresh) {
    set_number("Rnd_Logging", 0);
    RenderLog log(clock);
    const FrameRecord record = example_field(0, 1);
    log.header(example_settings(), record, "Rnd_Generic");
    frame(log, record, stamp(2001, 1, 1, 9, 0, 0, 0), stamp(2001, 1, 1, 9, 0, 0, 5),
          milliseconds(5));
    EXPECT_FALSE(std::filesystem::exists(render_log()));

    set_number("Rnd_Logging", 1);
    frame(log, record, stamp(2001, 1, 1, 9, 0, 0, 0), stamp(2001, 1, 1, 9, 0, 0, 5),
          milliseconds(5));
    EXPECT_EQ(read_text(render_log()), "                    - Total   :    0:00:00.005\r\n\r\n");
}

TEST_F(RenderLogTest, QuietFramesWriteNothingAndLeaveTheTotal) {
    set_number("Rnd_Logging", 2);
    RenderLog log(clock);
    FrameRecord loud = example_field(0, 4);
    log.header(example_settings(), loud, "Rnd_Generic");
    frame(log, loud, stamp(2001, 1, 1, 9, 0, 0, 0), stamp(2001, 1, 1, 9, 0, 0, 250),
          milliseconds(250));
    const std::string before = read_text(render_log());

    FrameRecord quiet = loud;
    quiet.quiet = 1;
    log.header(example_settings(), quiet, "Rnd_Generic");
    frame(log, quiet, stamp(2001, 1, 1, 9, 0, 1, 0), stamp(2001, 1, 1, 9, 0, 3, 0),
          milliseconds(2000));
    EXPECT_EQ(read_text(render_log()), before);
    EXPECT_EQ(log.total().milliseconds, 250);
    EXPECT_EQ(log.total().seconds, 0);
}

TEST_F(RenderLogTest, OnlyTheLow16BitsOfTheQuietFieldSilenceTheLog) {
    // The engine reads the quiet field this way too: a high bit alone makes
    // a real frame, which both must log and map videos for.
    set_number("Rnd_Logging", 2);
    RenderLog log(clock);
    FrameRecord record = example_field(0, 4);
    record.quiet = 0x10000;
    log.header(example_settings(), record, "Rnd_Generic");
    frame(log, record, stamp(2001, 1, 1, 9, 0, 0, 0), stamp(2001, 1, 1, 9, 0, 0, 250),
          milliseconds(250));
    const std::string text = read_text(render_log());
    EXPECT_NE(text.find("Effect    :"), std::string::npos) << text;
    EXPECT_NE(text.find("Elapsed :    0:00:00.250"), std::string::npos) << text;
}

TEST_F(RenderLogTest, HeaderRestartsTheRunningTotal) {
    set_number("Rnd_Logging", 1);
    RenderLog log(clock);
    const FrameRecord record = example_field(0, 1);
    log.header(example_settings(), record, "Rnd_Generic");
    frame(log, record, stamp(2001, 1, 1, 9, 0, 0, 0), stamp(2001, 1, 1, 9, 0, 2, 0),
          milliseconds(2000));
    EXPECT_EQ(log.total().seconds, 2);
    log.header(example_settings(), record, "Rnd_Generic");
    EXPECT_EQ(log.total().seconds, 0);
}

// Elapsed times come from the monotonic clock; the wall stamps are only
// printed. The calendar cases are the ones where field arithmetic without
// leap days or with a clock change goes wrong.
struct ElapsedCase {
    const char* what;
    platform::LocalTime start;
    platform::LocalTime finish;
    int duration_ms;
    const char* elapsed;
};

class ElapsedTest : public RenderLogTest, public ::testing::WithParamInterface<ElapsedCase> {};

TEST_P(ElapsedTest, PrintsTheMeasuredDuration) {
    set_number("Rnd_Logging", 2);
    RenderLog log(clock);
    const ElapsedCase& c = GetParam();
    frame(log, example_field(1, 2), c.start, c.finish, milliseconds(c.duration_ms));
    const std::string text = read_text(render_log());
    EXPECT_NE(text.find(std::string("- Elapsed : ") + c.elapsed + "\r\n"), std::string::npos)
        << c.what << "\n"
        << text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ElapsedTest,
    ::testing::Values(
        ElapsedCase{"millisecond borrow across a minute", stamp(2001, 5, 5, 10, 0, 59, 900),
                    stamp(2001, 5, 5, 10, 1, 0, 100), 200, "   0:00:00.200"},
        ElapsedCase{"midnight at the end of a leap day", stamp(2024, 2, 29, 23, 59, 59, 900),
                    stamp(2024, 3, 1, 0, 0, 0, 300), 400, "   0:00:00.400"},
        ElapsedCase{"clocks go back an hour", stamp(2023, 10, 29, 2, 59, 59, 500),
                    stamp(2023, 10, 29, 2, 0, 0, 500), 1000, "   0:00:01.000"},
        ElapsedCase{"clocks go forward an hour", stamp(2023, 3, 26, 1, 59, 59, 0),
                    stamp(2023, 3, 26, 3, 0, 1, 0), 2000, "   0:00:02.000"},
        ElapsedCase{"more than a day", stamp(2001, 1, 1, 0, 0, 0, 0), stamp(2001, 1, 2, 1, 2, 3, 4),
                    (25 * 3600 + 2 * 60 + 3) * 1000 + 4, "  25:02:03.004"}),
    [](const ::testing::TestParamInfo<ElapsedCase>& info) {
        return "Case" + std::to_string(info.index);
    });

struct CarryCase {
    LogDuration total;
    LogDuration elapsed;
    LogDuration expected;
};

class CarryTest : public ::testing::TestWithParam<CarryCase> {};

TEST_P(CarryTest, AddsUnitByUnitWithCarries) {
    const CarryCase& c = GetParam();
    LogDuration total = c.total;
    add_duration(total, c.elapsed);
    EXPECT_EQ(total.hours, c.expected.hours);
    EXPECT_EQ(total.minutes, c.expected.minutes);
    EXPECT_EQ(total.seconds, c.expected.seconds);
    EXPECT_EQ(total.milliseconds, c.expected.milliseconds);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CarryTest,
    ::testing::Values(CarryCase{{0, 0, 0, 999}, {0, 0, 0, 1}, {0, 0, 1, 0}},
                      CarryCase{{0, 0, 59, 0}, {0, 0, 1, 0}, {0, 1, 0, 0}},
                      CarryCase{{0, 59, 59, 999}, {0, 0, 0, 1}, {1, 0, 0, 0}},
                      CarryCase{{2, 30, 30, 500}, {1, 45, 45, 700}, {4, 16, 16, 200}},
                      CarryCase{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}));

TEST(LogDurationTest, SplitsMillisecondsIntoUnits) {
    const LogDuration d = split_duration(milliseconds(3'723'004));
    EXPECT_EQ(d.hours, 1);
    EXPECT_EQ(d.minutes, 2);
    EXPECT_EQ(d.seconds, 3);
    EXPECT_EQ(d.milliseconds, 4);
    const LogDuration negative = split_duration(milliseconds(-5));
    EXPECT_EQ(negative.hours + negative.minutes + negative.seconds + negative.milliseconds, 0);
}

TEST(LogTotalLineTest, FormatsCarriedTotals) {
    LogDuration total{0, 0, 0, 999};
    add_duration(total, LogDuration{0, 0, 0, 1});
    EXPECT_EQ(log_total_line(total), "                    - Total   :    0:00:01.000\r\n\r\n");
    LogDuration minutes{0, 0, 59, 0};
    add_duration(minutes, LogDuration{0, 0, 1, 0});
    EXPECT_EQ(log_total_line(minutes), "                    - Total   :    0:01:00.000\r\n\r\n");
}

struct HeaderCase {
    const char* what;
    int global;
    float value;
    const char* options;   // the Options line after "Options   : "
    const char* lighting;  // the second options line
};

class HeaderOptionsTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderOptionsTest, WritesTheOptionItems) {
    const HeaderCase& c = GetParam();
    EffectSettings settings = example_settings();
    settings.globals[c.global] = c.value;
    FrameRecord frame = example_field(0, 1);
    frame.flags = 0;
    const std::string text = log_header_text(settings, frame, "Rnd_Generic");
    EXPECT_NE(text.find(std::string("Options   : ") + c.options + "\r\n"), std::string::npos)
        << c.what << "\n"
        << text;
    EXPECT_NE(text.find(std::string("\r\n") + c.lighting + "\r\n\r\n"), std::string::npos)
        << c.what << "\n"
        << text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderOptionsTest,
    ::testing::Values(
        HeaderCase{"render style 3 drops the style item", global_render_style, 3,
                   "FlyOn, Best-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"flat", global_render_style, 1.7f,
                   "FlyOn, Flat  , Best-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"wire", global_render_style, 2,
                   "FlyOn, Wire  , Best-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"fly off", global_fly_direction, 0,
                   "FlyOff , Smooth, Best-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"negative fly counts as off", global_fly_direction, -1,
                   "FlyOff , Smooth, Best-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"fast render", global_render_quality, 0,
                   "FlyOn, Smooth, Fast-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"fast image", global_image_quality, 0,
                   "FlyOn, Smooth, Best-Render, Fast-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"antialias", global_antialias, 1,
                   "FlyOn, Smooth, Best-Render, Best-Image, Antialias On",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"lighting off", global_lighting, 0,
                   "FlyOn, Smooth, Best-Render, Best-Image, Antialias Off",
                   "            Lighting Off, LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 0"},
        HeaderCase{"blur truncated", global_blur_percent, 33.9f,
                   "FlyOn, Smooth, Best-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 33, BlurCount: 0"},
        HeaderCase{"blur count", global_blur_count, 4,
                   "FlyOn, Smooth, Best-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:50%, Blur: 0, BlurCount: 4"},
        HeaderCase{"a stored NaN prints 0", global_shadows, std::numeric_limits<float>::quiet_NaN(),
                   "FlyOn, Smooth, Best-Render, Best-Image, Antialias Off",
                   "            Lighting On , LightDir: 45, Shadows:0%, Blur: 0, BlurCount: 0"}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST(LogHeaderTest, WholeFramesPrintTheirOwnHeight) {
    FrameRecord frame = example_field(0, 1);
    frame.flags = 0;
    frame.height = 481;
    const std::string text = log_header_text(example_settings(), frame, "Rnd_Hardware");
    EXPECT_NE(text.find("Resolution: 720 x 481\r\nEngine    : Rnd_Hardware\r\n"), std::string::npos)
        << text;
}

TEST(LogHeaderTest, NameWithoutTerminatorStopsAtItsField) {
    EffectSettings settings = example_settings();
    std::memset(settings.name, 'x', sizeof settings.name);
    settings.padding[0] = 'y';
    const std::string text = log_header_text(settings, example_field(0, 1), "");
    EXPECT_NE(text.find("Effect    : " + std::string(effect_name_size, 'x') + "\r\n"),
              std::string::npos);
}

TEST_F(RenderLogTest, AppendCreatesTheFileThenGrowsIt) {
    ASSERT_FALSE(std::filesystem::exists(render_log()));
    EXPECT_TRUE(append_to_render_log("one\r\n"));
    EXPECT_TRUE(append_to_render_log("two\r\n"));
    EXPECT_EQ(read_text(render_log()), "one\r\ntwo\r\n");
}

TEST_F(RenderLogTest, AppendFindsTheWorkFolderWhateverItsCase) {
    std::filesystem::remove(work());
    std::filesystem::create_directories(folder.path() / "WORK");
    EXPECT_TRUE(append_to_render_log("entry\r\n"));
    EXPECT_EQ(read_text(folder.path() / "WORK" / "RENDER.LOG"), "entry\r\n");
}

TEST_F(RenderLogTest, AppendWithoutInstallFolderDropsTheText) {
    remove_value("Path");
    EXPECT_FALSE(append_to_render_log("lost\r\n"));
    EXPECT_FALSE(std::filesystem::exists(render_log()));
}

TEST_F(RenderLogTest, EntriesOfSeveralProcessesNeverInterleave) {
    constexpr int writers = 4;
    constexpr int entries = 200;
    std::vector<pid_t> children;
    for (int writer = 0; writer < writers; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // A long entry, so a torn write would show inside it.
            std::string entry(300, static_cast<char>('a' + writer));
            entry += "\r\n";
            for (int i = 0; i < entries; ++i) {
                (void)append_to_render_log(entry);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string text = read_text(render_log());
    ASSERT_EQ(text.size(), static_cast<std::size_t>(writers * entries * 302));
    for (std::size_t offset = 0; offset < text.size(); offset += 302) {
        const char first = text[offset];
        ASSERT_EQ(text.substr(offset, 302), std::string(300, first) + "\r\n")
            << "entry at byte " << offset;
    }
}

}  // namespace
}  // namespace kdr::host
