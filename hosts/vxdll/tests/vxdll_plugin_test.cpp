// U_Kdr30 and Kdr5_30 loaded from their files and called as their hosts
// call them, through the counting engine: the information records at the
// hosts' positions, the settings number that picks the settings file,
// parts and totals, fields, frames within larger bitmaps, and records the
// transitions must refuse.

#include <gtest/gtest.h>

#include <cmath>

#include "vx_test_support.h"

namespace kdr::vxdll::test {
namespace {

using hostkit::Vx5RenderRecord;
using hostkit::VxEffectInfo;
using kdr::test::EngineEvent;

// The counting engine's pattern at (x, y) of an output, as a 24-bit pixel.
void expect_pattern(const std::uint8_t* pixel, std::int32_t x, std::int32_t y,
                    std::uint32_t position) {
    EXPECT_EQ(pixel[0], (x + position) & 255) << x << ", " << y;
    EXPECT_EQ(pixel[1], y & 255) << x << ", " << y;
    EXPECT_EQ(pixel[2], (x * 3 + y * 5 + position * 7) & 255) << x << ", " << y;
}

std::int32_t int_at(const VxEffectInfo& info, std::size_t position) {
    std::int32_t value = 0;
    std::memcpy(&value, reinterpret_cast<const std::uint8_t*>(&info) + position, 4);
    return value;
}

const char* text_at(const VxEffectInfo& info, std::size_t position) {
    return reinterpret_cast<const char*>(&info) + position;
}

class OlderHostTest : public VxHostTest {
  protected:
    void SetUp() override {
        VxHostTest::SetUp();
        install_counting_engine("Rnd_Count");
    }
    void load_plugin() {
        load(KDR_U_KDR30);
        apply = entry<hostkit::VxApplyEffectFn>("vxDLLApplyEffect");
        ASSERT_NE(apply, nullptr);
    }
    // One frame as the host asks for it, settings number `number`.
    void render(VxBitmap& output, VxBitmap& a, VxBitmap& b, std::int32_t part, std::int32_t total,
                std::int32_t number) {
        EXPECT_EQ(apply(&output.header, output.data(), &a.header, a.data(), nullptr, b.data(),
                        total, part, 0, 0, 0, 0, number / 100, number % 100),
                  1);
    }

    hostkit::VxApplyEffectFn apply = nullptr;
};

TEST_F(OlderHostTest, TheInformationLiesAtTheHostsPositions) {
    load_plugin();
    EXPECT_EQ(entry<hostkit::VxGetFileEffNumFn>("vxDLLGetFileEffNum")(), 1);
    VxEffectInfo info;
    std::memset(&info, 0x5A, sizeof info);
    EXPECT_EQ(entry<hostkit::VxGetEffInfoFn>("vxDLLGetEffInfo")(&info), 1);
    EXPECT_STREQ(text_at(info, 0), "F/X");
    EXPECT_STREQ(text_at(info, 45), "* KDR 3.0 *");
    EXPECT_STREQ(text_at(info, 65), "Incredible 3D transitions from Talvane.");
    const std::pair<std::size_t, std::int32_t> numbers[] = {{196, 0}, {200, 1}, {204, 1}, {208, 1},
                                                            {212, 0}, {216, 0}, {220, 0}, {248, 0}};
    for (auto [position, value] : numbers) {
        EXPECT_EQ(int_at(info, position), value) << position;
    }
    EXPECT_EQ(entry<hostkit::VxGetEffInfoFn>("vxDLLGetEffInfo")(nullptr), 1);
}

TEST_F(OlderHostTest, TheNumberInTwoPartsPicksTheSettingsFile) {
    write_settings(1234, "Shatter");
    write_settings(7, "PageTurn");
    load_plugin();
    VxBitmap a(81, 40, 0x11);
    VxBitmap b(81, 40, 0x99);
    VxBitmap output(81, 40, 0xEE);
    render(output, a, b, 3, 10, 1234);
    // A number without a file keeps the settings of the frame before.
    render(output, a, b, 4, 10, 4321);
    render(output, a, b, 5, 10, 7);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 3u);
    EXPECT_EQ(renders[0].name, "Shatter");
    EXPECT_EQ(renders[1].name, "Shatter");
    EXPECT_EQ(renders[2].name, "PageTurn");
    EXPECT_EQ(renders[0].position, 3u);
    EXPECT_EQ(renders[0].images, 2u);
    EXPECT_EQ(renders[0].flags, 0u);
    EXPECT_EQ(renders[0].a, 0x11);
    EXPECT_EQ(renders[0].b, 0x99);
    EXPECT_EQ(renders[0].thread, kdr::test::current_thread_id()) << "the host's own thread";
    EXPECT_EQ(engine_events("prepare").size(), 2u) << "again only for new settings";
    for (auto [x, y] : {std::pair{0, 0}, {80, 0}, {33, 21}, {80, 39}}) {
        expect_pattern(output.pixel(x, y), x, y, 5);
    }
    // The row padding stays the host's.
    EXPECT_EQ(output.data()[81 * 3], 0xEE);
}

TEST_F(OlderHostTest, MultiRenderingDrawsTwoHalvesOnTwoThreads) {
    set_number("Rnd_Multi", 1);
    write_settings(1, "Shatter");
    load_plugin();
    VxBitmap a(64, 48, 1);
    VxBitmap b(64, 48, 2);
    VxBitmap output(64, 48);
    render(output, a, b, 2, 8, 1);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_NE(renders[0].thread, renders[1].thread);
    EXPECT_EQ((renders[0].flags | renders[1].flags) & 0xC00u, 0xC00u);
    expect_pattern(output.pixel(10, 0), 10, 0, 2);
    expect_pattern(output.pixel(10, 47), 10, 47, 2);
}

TEST_F(OlderHostTest, BitmapsThatDoNotHoldTheFrameRenderNothing) {
    load_plugin();
    VxBitmap a(32, 24);
    VxBitmap b(32, 24);
    VxBitmap output(32, 24, 0xEE);
    // No header, no pixels, a top-down (negative) height, an absurd width.
    EXPECT_EQ(apply(nullptr, output.data(), &a.header, a.data(), nullptr, b.data(), 4, 1, 0, 0, 0,
                    0, 0, 0),
              1);
    EXPECT_EQ(apply(&output.header, output.data(), &a.header, nullptr, nullptr, b.data(), 4, 1, 0,
                    0, 0, 0, 0, 0),
              1);
    VxBitmap flipped(32, 24);
    flipped.header.height = -24;
    render(output, flipped, b, 1, 4, 0);
    VxBitmap huge(32, 24);
    huge.header.width = 1 << 30;
    render(huge, a, b, 1, 4, 0);
    EXPECT_TRUE(engine_events("render").empty());
    EXPECT_EQ(output.bytes(), VxBitmap(32, 24, 0xEE).bytes());
}

class NewerHostTest : public VxHostTest {
  protected:
    void SetUp() override {
        VxHostTest::SetUp();
        install_counting_engine("Rnd_Count");
    }
    void load_plugin() {
        load(KDR_KDR5_30);
        apply = entry<hostkit::Vx5ApplyEffectFn>("vxDLLApplyEffect");
        ASSERT_NE(apply, nullptr);
    }
    // A render record for the frame (x, y, width, height) of the bitmaps.
    Vx5RenderRecord record_for(VxBitmap& output, VxBitmap& a, VxBitmap& b, float completion,
                               std::int32_t x, std::int32_t y, std::int32_t width,
                               std::int32_t height, const std::int32_t* number) {
        Vx5RenderRecord record;
        std::memset(&record, 0, sizeof record);
        record.output_header = &output.header;
        record.output_pixels = output.data();
        record.a_header = &a.header;
        record.a_pixels = a.data();
        record.b_header = &b.header;
        record.b_pixels = b.data();
        record.completion = completion;
        record.x_offset = x;
        record.y_offset = y;
        record.width = width;
        record.height = height;
        record.number = number;
        return record;
    }

    hostkit::Vx5ApplyEffectFn apply = nullptr;
};

TEST_F(NewerHostTest, TheInformationAndTheDefault) {
    load_plugin();
    auto info_entry = entry<hostkit::VxGetEffInfoFn>("vxDLLGetEffInfo");
    VxEffectInfo info;
    std::memset(&info, 0x5A, sizeof info);
    EXPECT_EQ(info_entry(&info), 1);
    EXPECT_STREQ(text_at(info, 0), "Talvane");
    EXPECT_STREQ(text_at(info, 45), "KDR 3.0-Talvane");
    EXPECT_STREQ(text_at(info, 65), "Incredible 3D transitions from Talvane.");
    const std::pair<std::size_t, std::int32_t> numbers[] = {
        {196, 0}, {200, 0}, {204, 0}, {208, 0}, {212, 256},
        {216, 0}, {220, 0}, {248, 0}, {260, 4}, {264, 40}};
    for (auto [position, value] : numbers) {
        EXPECT_EQ(int_at(info, position), value) << position;
    }
    EXPECT_EQ(info_entry(nullptr), 1);
    std::int32_t value = 77;
    EXPECT_EQ(entry<hostkit::Vx5GetDefaultFn>("vxDLLGetDefault")(&value), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(entry<hostkit::Vx5GetDefaultFn>("vxDLLGetDefault")(nullptr), 1);
    EXPECT_EQ(apply(5, &info, 0), 1) << "an unknown selector";
    EXPECT_EQ(apply(hostkit::vx5_render, nullptr, 0), 1);
}

TEST_F(NewerHostTest, CompletionsBecomePartsOfATotal) {
    write_settings(12, "Shatter");
    load_plugin();
    VxBitmap a(40, 30, 1);
    VxBitmap b(40, 30, 2);
    VxBitmap output(40, 30);
    const std::int32_t number = 12;
    for (float completion : {0.0f, 0.1f, 0.2f, 0.0f, 0.5f, 1.0f}) {
        Vx5RenderRecord record = record_for(output, a, b, completion, 0, 0, 40, 30, &number);
        EXPECT_EQ(apply(hostkit::vx5_render, &record, 0), 1);
    }
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 6u);
    // 0 of 60, then 1 and 2 of 11; a new start: 0 of 60, then 1 and 3 of 3.
    const std::uint32_t parts[] = {0, 1, 2, 0, 1, 3};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(renders[i].position, parts[i]) << i;
        EXPECT_EQ(renders[i].name, "Shatter");
    }
}

TEST_F(NewerHostTest, FieldModesAndReverseFields) {
    load_plugin();
    VxBitmap a(40, 30, 1);
    VxBitmap b(40, 30, 2);
    VxBitmap output(40, 30);
    auto render_mode = [&](std::int32_t mode) {
        Vx5RenderRecord record = record_for(output, a, b, 0.5f, 0, 0, 40, 30, nullptr);
        apply(hostkit::vx5_render, &record, mode);
        return engine_events("render").back().flags;
    };
    EXPECT_EQ(render_mode(1), 0x2100u);
    EXPECT_EQ(render_mode(2), 0x4100u);
    EXPECT_EQ(render_mode(0), 0u);
    EXPECT_EQ(render_mode(3), 0u);
    set_number("Reverse_Fields", 1);
    EXPECT_EQ(render_mode(2), 0x2100u);
    EXPECT_EQ(render_mode(1), 0x4100u);
    EXPECT_EQ(render_mode(0), 0u);
}

TEST_F(NewerHostTest, OffsetsPlaceTheFrameWithinLargerBitmaps) {
    load_plugin();
    VxBitmap a(64, 48, 0x11);
    VxBitmap b(64, 48, 0x99);
    VxBitmap output(64, 48, 0xEE);
    // The frame: 40 x 30 pixels, 24 from the left and 10 rows up from the
    // bitmap's bottom row, so rows 8 to 37 counted from the top.
    Vx5RenderRecord record = record_for(output, a, b, 0.0f, 24, 10, 40, 30, nullptr);
    apply(hostkit::vx5_render, &record, 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].a, 0x11);
    for (std::int32_t y = 0; y < 48; ++y) {
        for (std::int32_t x = 0; x < 64; ++x) {
            const bool inside = x >= 24 && y >= 8 && y < 38;
            if (inside) {
                expect_pattern(output.pixel(x, y), x - 24, y - 8, 0);
            } else {
                ASSERT_EQ(output.pixel(x, y)[0], 0xEE) << x << ", " << y;
            }
        }
    }
}

TEST_F(NewerHostTest, FramesOutsideTheirBitmapsAreRefused) {
    load_plugin();
    VxBitmap a(64, 48, 0x11);
    VxBitmap b(64, 48, 0x99);
    VxBitmap output(64, 48, 0xEE);
    VxBitmap small_b(32, 48, 0x99);
    struct Case {
        std::int32_t x, y, width, height;
    };
    const Case cases[] = {{25, 10, 40, 30},        {0, 19, 64, 30},         {-1, 0, 10, 10},
                          {0, -5, 10, 10},         {0, 0, 0, 10},           {0, 0, 10, -3},
                          {0x7fffffff, 0, 10, 10}, {0, 0x7ffffff0, 10, 100}};
    for (const Case& c : cases) {
        Vx5RenderRecord record =
            record_for(output, a, b, 0.5f, c.x, c.y, c.width, c.height, nullptr);
        EXPECT_EQ(apply(hostkit::vx5_render, &record, 0), 1);
    }
    // One source narrower than the frame.
    Vx5RenderRecord record = record_for(output, a, small_b, 0.5f, 0, 0, 40, 30, nullptr);
    apply(hostkit::vx5_render, &record, 0);
    EXPECT_TRUE(engine_events("render").empty());
    EXPECT_EQ(output.bytes(), VxBitmap(64, 48, 0xEE).bytes());
    // Completions no host should send still render a frame of a sane total.
    for (float completion : {-0.5f, NAN, 1e-30f, 7.0f, INFINITY}) {
        Vx5RenderRecord odd = record_for(output, a, b, completion, 0, 0, 64, 48, nullptr);
        apply(hostkit::vx5_render, &odd, 0);
    }
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 5u);
    EXPECT_EQ(renders[0].position, 0u);
    EXPECT_EQ(renders[1].position, 0u);
    EXPECT_EQ(renders[2].position, 0u) << "trunc(total x 1e-30)";
}

}  // namespace
}  // namespace kdr::vxdll::test
