#include <gtest/gtest.h>

#include <set>

#include "render_fixture.h"

namespace kdr::editor {
namespace {

class RenderModes : public test::RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        write_effect("Trans", 1, 2);
        add(clip_item(write_clip("one.avi", 1, 12), 1, 0, 12));
        add(clip_item(write_clip("two.avi", 2, 12), 2, 0, 12));
        add(effect_item("Trans", 0, 10));
    }

    static int count(const std::string& text, const std::string& part) {
        int found = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + 1)) {
            ++found;
        }
        return found;
    }
};

TEST_F(RenderModes, FieldsRenderTwentyHalfHeightFramesWithOneHeader) {
    set_package_number("Rnd_Logging", 2);
    project.output.field_mode = field_mode_odd_first;
    ASSERT_TRUE(render(final_request()).ok());
    const auto renders = engine_events("render");
    ASSERT_EQ(renders.size(), 20u);
    for (std::uint32_t i = 0; i < 20; ++i) {
        EXPECT_EQ(renders[i].position, i);
        EXPECT_EQ(renders[i].flags, i % 2 == 0 ? 0x2100u : 0x4100u);
    }
    EXPECT_EQ(engine_events("prepare").size(), 2u);
    const std::string log = read_text(work() / "RENDER.LOG");
    EXPECT_EQ(count(log, "Effect    : Trans"), 1) << log;
    EXPECT_NE(log.find("Resolution: 16 x 6\r\n"), std::string::npos) << log;
    EXPECT_EQ(count(log, " of     19 - Started"), 10) << log;
    EXPECT_NE(log.find("    18 of     19 - Started"), std::string::npos) << log;
    EXPECT_EQ(log.find("    19 of     19 - Started"), std::string::npos) << "slot 1 logged";
}

TEST_F(RenderModes, EachFieldSeesOnlyItsOwnLines) {
    project.output.field_mode = field_mode_even_first;
    ASSERT_TRUE(render(final_request()).ok());
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 12u);
    // Even first: slot 0 draws rows 0, 2, 4 ... at position 2f, slot 1 the
    // odd rows at 2f + 1; the pattern's green is the row within the field.
    const video::VideoFrame& frame = frames[3];
    EXPECT_EQ(pixel(frame, 0, 0).blue, 6);
    EXPECT_EQ(pixel(frame, 0, 1).blue, 7);
    EXPECT_EQ(pixel(frame, 0, 4).green, 2);
    EXPECT_EQ(pixel(frame, 0, 5).green, 2);
}

TEST_F(RenderModes, FieldsOnTwoThreadsRenderTheSameFields) {
    project.output.field_mode = field_mode_odd_first;
    RenderRequest request = final_request();
    request.threads = 2;
    ASSERT_TRUE(render(request).ok());
    std::multiset<std::uint32_t> positions;
    for (const auto& event : engine_events("render")) {
        positions.insert(event.position);
    }
    std::multiset<std::uint32_t> expected;
    for (std::uint32_t i = 0; i < 20; ++i) {
        expected.insert(i);
    }
    EXPECT_EQ(positions, expected);
}

TEST_F(RenderModes, MultiRenderingSplitsEachFrameIntoHalves) {
    set_package_number("Rnd_Multi", 1);
    ASSERT_TRUE(render(final_request()).ok());
    const auto renders = engine_events("render");
    ASSERT_EQ(renders.size(), 20u);
    std::multiset<std::uint32_t> flags;
    for (const auto& event : renders) {
        flags.insert(event.flags);
    }
    EXPECT_EQ(flags.count(0x400u), 10u);
    EXPECT_EQ(flags.count(0x800u), 10u);
    EXPECT_EQ(engine_events("prepare").size(), 2u);
    const auto frames = frames_of(movie());
    ASSERT_EQ(frames.size(), 12u);
    EXPECT_EQ(pixel(frames[4], 1, 0).blue, 1 + 4);   // upper half
    EXPECT_EQ(pixel(frames[4], 1, 11).blue, 1 + 4);  // lower half
}

TEST_F(RenderModes, OneThreadRendersWholeFramesThroughOneContext) {
    RenderRequest request = final_request();
    request.threads = 1;
    set_package_number("Rnd_Multi", 1);
    ASSERT_TRUE(render(request).ok());
    const auto renders = engine_events("render");
    ASSERT_EQ(renders.size(), 10u);
    for (const auto& event : renders) {
        EXPECT_EQ(event.flags, 0u);
        EXPECT_EQ(event.context, renders[0].context);
    }
}

TEST_F(RenderModes, ConsecutiveEffectsReuseTheContextUntilTheEnd) {
    add(effect_item("Trans", 10, 2));
    ASSERT_TRUE(render(final_request()).ok());
    const auto events = engine_events();
    std::vector<std::string> sequence;
    for (const auto& event : events) {
        if (event.event != "render") {
            sequence.push_back(event.event + " " + std::to_string(event.context));
        }
    }
    // The second prepare is handed the first effect's context, frees it and
    // gives a new one; the render's end frees that and unloads the engine.
    ASSERT_EQ(sequence.size(), 5u) << ::testing::PrintToString(sequence);
    const int first = events[0].context;
    EXPECT_EQ(sequence[0], "prepare " + std::to_string(first));
    EXPECT_EQ(sequence[1], "free " + std::to_string(first));
    EXPECT_EQ(sequence[2].rfind("prepare ", 0), 0u);
    EXPECT_EQ(sequence[3], "free " + sequence[2].substr(8));
    EXPECT_EQ(sequence[4], "unload 0");
}

}  // namespace
}  // namespace kdr::editor
