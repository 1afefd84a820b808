// Kdr30 loaded from its file and called as a PI_ host calls it, through
// the counting engine: the seven entry points' results, the information
// record and bitmap resource, frames of the described track (settings by
// number, opaque sources, the field bits, multi-rendering), the preview
// size's quiet frames, and requests it must refuse.

#include <gtest/gtest.h>

#include "kaleidra/plugin_resources/bitmap_resource.h"
#include "kaleidra/plugin_resources/elf_section.h"
#include "pi_test_support.h"

namespace kdr::pi::test {
namespace {

using kdr::test::EngineEvent;

class PiPluginTest : public PiHostTest {
  protected:
    void SetUp() override {
        PiHostTest::SetUp();
        install_counting_engine("Rnd_Count");
    }
};

// The counting engine's pattern at (x, y) of a 32-bit output.
void expect_pattern(const std::uint8_t* pixel, std::int32_t x, std::int32_t y,
                    std::uint32_t position) {
    EXPECT_EQ(pixel[0], (x + position) & 255) << x << ", " << y;
    EXPECT_EQ(pixel[1], y & 255) << x << ", " << y;
    EXPECT_EQ(pixel[2], (x * 3 + y * 5 + position * 7) & 255) << x << ", " << y;
}

TEST_F(PiPluginTest, TheEntryPointsAnswerAsTheHostExpects) {
    load();
    EXPECT_EQ(get_size(), 1);
    int anything = 5;
    for (void* argument : {static_cast<void*>(nullptr), static_cast<void*>(&anything),
                           reinterpret_cast<void*>(std::uintptr_t{0xDEADBEEF})}) {
        EXPECT_EQ(set_context(argument), 0);
        EXPECT_EQ(terminate(argument), 0);
    }
    // Called the way a host without arguments would.
    EXPECT_EQ(entry<std::int32_t (*)()>("PI_SetContext")(), 0);
    EXPECT_EQ(entry<std::int32_t (*)()>("PI_Terminate")(), 0);
    EXPECT_EQ(entry<std::int32_t (*)(int, int, int)>("PI_GetSize")(1, 2, 3), 1);
    EXPECT_EQ(about_plugin(nullptr), 0);
    EXPECT_EQ(about_track(nullptr), 0);
    EXPECT_EQ(show_dialog(nullptr, 0), 0);
    EXPECT_EQ(compute_frame(nullptr, nullptr), 0);
}

TEST_F(PiPluginTest, TheInformationRecordAndTheBitmap) {
    load();
    hostkit::PiPluginInfo info;
    std::memset(&info, 0x5A, sizeof info);
    EXPECT_EQ(about_plugin(&info), 0);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&info);
    auto int_at = [&](std::size_t position) {
        std::int32_t value = 0;
        std::memcpy(&value, bytes + position, 4);
        return value;
    };
    EXPECT_EQ(bytes[0] | (bytes[1] << 8), 0);
    EXPECT_EQ(int_at(4), 2);
    EXPECT_EQ(bytes[8], 0);
    EXPECT_EQ(bytes[9], 0);
    EXPECT_EQ(int_at(12), 9998);
    EXPECT_EQ(int_at(16), 30);
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 20), "* Kaleidra *");
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 52), "Kaleidra 3.0");
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 84),
                 "Incredible 3D transitions and special effects from Talvane International.");
    EXPECT_EQ(int_at(340), 0);
    EXPECT_EQ(int_at(344), 0);
    EXPECT_EQ(int_at(348), 0);
    EXPECT_EQ(int_at(352), 0);
    EXPECT_EQ(int_at(356), 1);
    EXPECT_EQ(bytes[360], 0);
    EXPECT_EQ(bytes[361], 1);

    auto resources = plugin_resources::read_library_resources(KDR_KDR30_PI);
    ASSERT_TRUE(resources.ok()) << resources.error();
    const plugin_resources::PluginResource* bitmap =
        plugin_resources::find_resource(*resources, "BITMAP", 999);
    ASSERT_NE(bitmap, nullptr);
    Result<plugin_resources::BitmapShape> shape = plugin_resources::describe_bitmap(bitmap->data);
    ASSERT_TRUE(shape) << shape.error();
    EXPECT_EQ(shape->width, 32);
    EXPECT_EQ(shape->height, 32);
    EXPECT_EQ(shape->bits, 24);
}

TEST_F(PiPluginTest, AFrameOfTheTrackWithTheSettingsOfItsNumber) {
    write_settings(3, "Shatter");
    write_settings(4, "PageTurn");
    load();
    TrackBuffer a(64, 48, 0x11);
    TrackBuffer b(64, 48, 0x99);
    TrackBuffer output(64, 48, 0xEE);
    EXPECT_EQ(frame(64, 48, 30, 7, 3, 0, a, b, output), 0);
    // A number without a file keeps the frame before's settings.
    EXPECT_EQ(frame(64, 48, 30, 8, 55, 0, a, b, output), 0);
    EXPECT_EQ(frame(64, 48, 30, 9, 4, 0, a, b, output), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 3u);
    EXPECT_EQ(renders[0].name, "Shatter");
    EXPECT_EQ(renders[1].name, "Shatter");
    EXPECT_EQ(renders[2].name, "PageTurn");
    EXPECT_EQ(renders[0].position, 7u);
    EXPECT_EQ(renders[0].flags, 0x4100u) << "always the field of bit 0x4000";
    EXPECT_EQ(renders[0].images, 2u);
    EXPECT_EQ(renders[0].quiet, 0u);
    EXPECT_EQ(renders[0].thread, kdr::test::current_thread_id());
    EXPECT_EQ(engine_events("prepare").size(), 2u);
    // The sources' alpha, and only that, is now 255.
    EXPECT_EQ(a.pixel(5, 5)[3], 255);
    EXPECT_EQ(a.pixel(5, 5)[2], 0x11);
    EXPECT_EQ(b.pixel(63, 47)[3], 255);
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {20, 30}, {63, 47}}) {
        expect_pattern(output.pixel(x, y), x, y, 9);
    }
}

TEST_F(PiPluginTest, MultiRenderingDrawsTwoHalves) {
    set_number("Rnd_Multi", 1);
    load();
    TrackBuffer a(40, 30, 1);
    TrackBuffer b(40, 30, 2);
    TrackBuffer output(40, 30);
    frame(40, 30, 10, 2, 0, 0, a, b, output);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_NE(renders[0].thread, renders[1].thread);
    EXPECT_EQ(renders[0].flags & 0x4100u, 0x4100u);
    expect_pattern(output.pixel(3, 0), 3, 0, 2);
    expect_pattern(output.pixel(3, 29), 3, 29, 2);
}

TEST_F(PiPluginTest, ThePreviewSizeWritesNoLogLines) {
    set_number("Rnd_Logging", 2);
    load();
    TrackBuffer a(204, 166, 1);
    TrackBuffer b(204, 166, 2);
    TrackBuffer output(204, 166);
    frame(204, 166, 30, 3, 0, 0, a, b, output);
    frame(204, 166, 30, 4, 0, 0, a, b, output);
    ASSERT_EQ(engine_events("render").size(), 2u);
    EXPECT_EQ(engine_events("render")[0].quiet, 1u);
    const std::string log =
        std::filesystem::exists(render_log()) ? read_text(render_log()) : std::string();
    EXPECT_EQ(log, "");
    // Any other size logs, small ones too.
    TrackBuffer small_a(100, 80, 1);
    TrackBuffer small_b(100, 80, 2);
    TrackBuffer small_output(100, 80);
    frame(100, 80, 30, 3, 0, 0, small_a, small_b, small_output);
    EXPECT_EQ(engine_events("render").back().quiet, 0u);
    ASSERT_TRUE(std::filesystem::exists(render_log()));
    EXPECT_NE(read_text(render_log()), "");
}

TEST_F(PiPluginTest, RequestsWithoutATrackOrBuffersDrawNothing) {
    load();
    TrackBuffer a(40, 30, 1);
    TrackBuffer b(40, 30, 2);
    TrackBuffer output(40, 30, 0xEE);
    // No track described yet.
    hostkit::PiFrameRequest request;
    std::memset(&request, 0, sizeof request);
    const hostkit::PiBuffers buffers{a.data(), b.data(), output.data()};
    EXPECT_EQ(compute_frame(&request, &buffers), 0);
    // Absurd tracks, and missing buffers.
    for (auto [width, height] : {std::pair{0, 30}, {40, -1}, {1 << 20, 30}}) {
        const hostkit::PiTrack track{10, height, width};
        about_track(&track);
        EXPECT_EQ(compute_frame(&request, &buffers), 0);
    }
    const hostkit::PiTrack track{10, 30, 40};
    about_track(&track);
    const hostkit::PiBuffers without_b{a.data(), nullptr, output.data()};
    EXPECT_EQ(compute_frame(&request, &without_b), 0);
    EXPECT_TRUE(engine_events("render").empty());
    EXPECT_EQ(output.bytes(), TrackBuffer(40, 30, 0xEE).bytes());
}

}  // namespace
}  // namespace kdr::pi::test
