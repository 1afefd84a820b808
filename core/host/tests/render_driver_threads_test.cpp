// Multi-rendering: two contexts on two worker threads at once.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver_test_support.h"
#include "kaleidra/host/render_driver.h"

namespace kdr::host {
namespace {

using test::EngineEvent;

class MultiRenderTest : public test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        set_number("Rnd_Multi", 1);
    }
};

TEST_F(MultiRenderTest, FirstFramePreparesAndRendersBothSlots) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    ASSERT_TRUE(driver.multi());
    fill(driver, 0, 8, 6);
    driver.render(FrameCall::whole_frame);

    const std::vector<EngineEvent> prepares = events_of("prepare");
    ASSERT_EQ(prepares.size(), 2u);
    EXPECT_NE(driver.slot(0).context, nullptr);
    EXPECT_NE(driver.slot(1).context, nullptr);
    EXPECT_NE(driver.slot(0).context, driver.slot(1).context);

    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_NE(renders[0].thread, renders[1].thread) << "the halves render at once on two threads";
    for (const EngineEvent& e : renders) {
        EXPECT_NE(e.thread, test::current_thread());
    }

    // Same frame again: no preparation, both contexts render again.
    fill(driver, 0, 8, 6, 1);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(events_of("prepare").size(), 2u);
    EXPECT_EQ(events_of("render").size(), 4u);
}

TEST_F(MultiRenderTest, SecondSlotGetsTheSettingsAndTheFrame) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    std::strcpy(driver.settings().name, "Ballsplt");
    fill(driver, 0, 8, 6, 4, 9);
    driver.render(FrameCall::whole_frame);
    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 2u);
    for (const EngineEvent& e : renders) {
        EXPECT_EQ(e.name, "Ballsplt");
        EXPECT_EQ(e.position, 4u);
        EXPECT_EQ(e.images, 2u);
    }
    // Slot 1 got a copy of slot 0's record, marked for the lower half only.
    EXPECT_EQ(driver.frame(1).flags & (flag_upper_half | flag_lower_half), flag_lower_half);
    EXPECT_EQ(driver.frame(0).flags & (flag_upper_half | flag_lower_half), flag_upper_half);
    EXPECT_EQ(driver.frame(1).output.buffer, output.data());
    EXPECT_EQ(driver.frame(1).output.owns, 0);
}

class HalvesTest : public MultiRenderTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(HalvesTest, FirstHalfRoundedDownFromSlotZeroRestFromSlotOne) {
    const std::uint32_t width = 5;
    const std::uint32_t height = GetParam();

    std::vector<std::uint8_t> single;
    {
        RenderDriver driver;
        ASSERT_TRUE(driver.attach());
        driver.set_multi(false);
        fill(driver, 0, width, height, 3, 7);
        driver.render(FrameCall::whole_frame);
        single = output;
    }
    clear_events();

    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fill(driver, 0, width, height, 3, 7);
    driver.render(FrameCall::whole_frame);
    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 2u);
    int upper = 0;
    int lower = 0;
    for (const EngineEvent& e : renders) {
        (e.flags & flag_lower_half ? lower : upper) = e.context;
    }
    ASSERT_NE(upper, 0);
    ASSERT_NE(lower, 0);

    for (std::uint32_t y = 0; y < height; ++y) {
        const int expected = y < height / 2 ? upper : lower;
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* got = pixel(width, x, y);
            ASSERT_EQ(got[3], expected) << "row " << y << " of " << height;
            const std::uint8_t* want =
                single.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            ASSERT_EQ(std::memcmp(got, want, 3), 0)
                << "colour differs from the single-thread render at (" << x << ", " << y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Heights, HalvesTest, ::testing::Values(1u, 2u, 3u, 7u, 8u, 101u));

TEST_F(MultiRenderTest, FieldPairRendersBothFieldsAtOnceOnTheSecondCall) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    EXPECT_EQ(driver.slot_for(FrameCall::first_field), 0);
    EXPECT_EQ(driver.slot_for(FrameCall::second_field), 1);

    // One 8 x 6 picture; each field call describes its own rows of it.
    fill(driver, 0, 8, 6);
    auto field = [&](int slot, int parity, std::uint32_t position, std::uint32_t flags) {
        FrameRecord& frame = driver.frame(slot);
        frame.width = 8;
        frame.height = 3;
        frame.image_count = 2;
        describe(frame.output, 8, 6, output);
        describe(frame.images[0], 8, 6, source);
        describe(frame.images[1], 8, 6, source);
        image_select_field(frame.output, parity);
        frame.position = position;
        frame.total = 20;
        frame.flags = flags;
    };
    field(0, 1, 0, flag_field | flag_field_parity_1);
    driver.render(FrameCall::first_field);
    EXPECT_TRUE(events_of("render").empty()) << "the first field waits for its partner";

    field(1, 0, 1, flag_field | flag_field_parity_0);
    driver.render(FrameCall::second_field);
    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_NE(renders[0].thread, renders[1].thread);
    EXPECT_NE(renders[0].context, renders[1].context);
    std::uint32_t parities = 0;
    for (const EngineEvent& e : renders) {
        EXPECT_EQ(e.flags & (flag_upper_half | flag_lower_half), 0u);
        parities |= e.flags & (flag_field_parity_0 | flag_field_parity_1);
    }
    EXPECT_EQ(parities, flag_field_parity_0 | flag_field_parity_1);
    // Odd rows from the first call's context, even rows from the second's.
    const int odd =
        renders[0].flags & flag_field_parity_1 ? renders[0].context : renders[1].context;
    const int even =
        renders[0].flags & flag_field_parity_0 ? renders[0].context : renders[1].context;
    for (std::uint32_t y = 0; y < 6; ++y) {
        EXPECT_EQ(pixel(8, 2, y)[3], y % 2 ? odd : even) << "row " << y;
        EXPECT_EQ(pixel(8, 2, y)[1], y / 2)
            << "row " << y << " is row " << y / 2 << " of its field";
    }
}

TEST_F(MultiRenderTest, WithoutMultiOnlySlotZeroIsPreparedAndRendered) {
    set_number("Rnd_Multi", 0);
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    EXPECT_EQ(driver.slot_for(FrameCall::second_field), 0);
    for (std::uint32_t part = 0; part < 4; ++part) {
        fill(driver, 0, 8, 3, part, 20, flag_field);
        driver.render(part % 2 ? FrameCall::second_field : FrameCall::first_field);
    }
    EXPECT_EQ(events_of("prepare").size(), 1u);
    EXPECT_EQ(events_of("render").size(), 4u);
    EXPECT_EQ(driver.slot(1).context, nullptr);
}

TEST_F(MultiRenderTest, EngineChangeFreesBothContextsBeforeTheOldLibraryIsReleased) {
    install_engine("Rnd_Other");
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fill(driver, 0, 8, 6);
    driver.render(FrameCall::whole_frame);
    const int first = events_of("prepare")[0].context;
    const int second = events_of("prepare")[1].context;

    set_string("Engine", "Rnd_Other");
    clear_events();
    ASSERT_TRUE(driver.refresh_engine());
    std::vector<EngineEvent> all = events();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].event, "free");
    EXPECT_EQ(all[1].event, "free");
    EXPECT_EQ(all[0].library, "Rnd_Count");
    EXPECT_EQ(all[1].library, "Rnd_Count");
    EXPECT_EQ(std::min(all[0].context, all[1].context), std::min(first, second));
    EXPECT_EQ(std::max(all[0].context, all[1].context), std::max(first, second));
    EXPECT_EQ(all[2].event, "unload");
    EXPECT_EQ(all[2].library, "Rnd_Count");

    // The next frame prepares both slots with the new engine.
    fill(driver, 0, 8, 6);
    driver.render(FrameCall::whole_frame);
    all = events();
    ASSERT_EQ(events_of("prepare").size(), 2u);
    for (const EngineEvent& e : events_of("prepare")) {
        EXPECT_EQ(e.library, "Rnd_Other");
    }
}

TEST_F(MultiRenderTest, FailedLowerHalfIsPreparedAgainAtTheNextFrame) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fail_prepare("0x800");
    fill(driver, 0, 8, 6);
    driver.render(FrameCall::whole_frame);
    EXPECT_NE(driver.slot(0).context, nullptr);
    EXPECT_EQ(driver.slot(1).context, nullptr);
    EXPECT_EQ(events_of("render").size(), 1u);

    fail_prepare("");
    fill(driver, 0, 8, 6);
    driver.render(FrameCall::whole_frame);
    EXPECT_NE(driver.slot(1).context, nullptr);
    EXPECT_EQ(events_of("render").size(), 3u);
    for (std::uint32_t y = 0; y < 6; ++y) {
        EXPECT_NE(pixel(8, 0, y)[3], 0xEE) << "row " << y << " was rendered";
    }
}

TEST_F(MultiRenderTest, SwitchingBetweenOneAndTwoThreadsKeepsRendering) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    for (std::uint32_t i = 0; i < 40; ++i) {
        driver.set_multi(i % 3 != 0);
        driver.settings().globals[global_shadows] = static_cast<float>(i / 10);
        fill(driver, 0, 16, 9, i, 40);
        driver.render(FrameCall::whole_frame);
        for (std::uint32_t y = 0; y < 9; ++y) {
            ASSERT_EQ(pixel(16, 1, y)[0], static_cast<std::uint8_t>(1 + i)) << "frame " << i;
        }
    }
    EXPECT_EQ(events_of("render").size(), 40u + 26u);
}

// An effect the engine cannot load: the engine falls back to "Ballsplt" and
// writes that name into the settings record it is given. Hosts that keep
// their settings between frames and hosts that load them afresh for every
// frame both prepare once and log one header, with one thread and with two.
struct FallbackCase {
    const char* name;
    bool two_threads;
    bool reload_each_frame;
};

void PrintTo(const FallbackCase& c, std::ostream* out) {
    *out << c.name;
}

class UnknownEffect : public test::DriverTest, public ::testing::WithParamInterface<FallbackCase> {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        set_number("Rnd_Multi", GetParam().two_threads ? 1 : 0);
        set_number("Rnd_Logging", 1);
        write_empty_effect("Ballsplt");
        ::setenv("KDR_COUNTING_ENGINE_EFFECTS", effects().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KDR_COUNTING_ENGINE_EFFECTS"); }
};

TEST_P(UnknownEffect, PreparesOnceAndKeepsTheHostsRecord) {
    const FallbackCase& c = GetParam();
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    std::strcpy(driver.settings().name, "Nowhere");
    for (std::uint32_t frame = 0; frame < 3; ++frame) {
        if (c.reload_each_frame) {
            std::memset(driver.settings().name, 0, effect_name_size);
            std::strcpy(driver.settings().name, "Nowhere");
        }
        fill(driver, 0, 8, 6, frame);
        driver.render(FrameCall::whole_frame);
        EXPECT_STREQ(driver.settings().name, "Nowhere") << "frame " << frame;
    }
    const std::vector<EngineEvent> prepares = events_of("prepare");
    ASSERT_EQ(prepares.size(), c.two_threads ? 2u : 1u);
    for (const EngineEvent& e : prepares) {
        EXPECT_EQ(e.name, "Nowhere");
    }
    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), c.two_threads ? 6u : 3u);
    for (const EngineEvent& e : renders) {
        EXPECT_EQ(e.name, "Ballsplt") << "each slot renders the effect its engine loaded";
    }
    const std::string log = read_text(render_log());
    std::size_t headers = 0;
    for (std::size_t at = log.find("Effect    :"); at != std::string::npos;
         at = log.find("Effect    :", at + 1)) {
        ++headers;
    }
    EXPECT_EQ(headers, 1u) << log;
}

INSTANTIATE_TEST_SUITE_P(Hosts, UnknownEffect,
                         ::testing::Values(FallbackCase{"KeepsOneThread", false, false},
                                           FallbackCase{"KeepsTwoThreads", true, false},
                                           FallbackCase{"ReloadsOneThread", false, true},
                                           FallbackCase{"ReloadsTwoThreads", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kdr::host
