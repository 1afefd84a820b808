// Kdr30.tra loaded and called as Speed Razor does, rendering through the
// counting engine: its selectors, its information record and icon, whole
// frames and both fields in one call, the host's progress and abort, and
// its detach work.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "kaleidra/images/image_file.h"
#include "kaleidra/plugin_resources/elf_section.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"
#include "speedrazor_test_support.h"

namespace kdr::speedrazor::test {
namespace {

using kdr::test::EngineEvent;

class SpeedRazorPluginTest : public SpeedRazorHostTest {
  protected:
    void SetUp() override {
        SpeedRazorHostTest::SetUp();
        install_counting_engine("Rnd_Count");
    }

    // Stored row `row` (0 the first row in memory) of a buffer, pixel x.
    static const std::uint8_t* stored_pixel(const HostPixels& pixels, std::int32_t x,
                                            std::int32_t row) {
        return pixels.data() + static_cast<std::size_t>(row) * pixels.row_bytes() + x * 4;
    }

    void write_work_picture(const char* name) {
        OwnedImage picture;
        ASSERT_TRUE(
            image_set_shape(picture.record(), {format_bgra, 4, 1, row_order_bottom_up, 8, 6}));
        ASSERT_TRUE(image_allocate(picture.record()));
        ASSERT_TRUE(write_image_file(picture.record(), work() / name));
    }
};

TEST_F(SpeedRazorPluginTest, SelectorsWithoutWorkAnswerAndChangeNothing) {
    load();
    SimSpeedRazor host(16, 8, host_folder());
    host.record().settings = reinterpret_cast<hostkit::MovableHandle>(0x1234);
    std::vector<std::uint8_t> before(sizeof host.record());
    std::memcpy(before.data(), &host.record(), before.size());
    for (std::int32_t selector : {-1, 5, 99}) {
        EXPECT_EQ(call(selector, &host.record()), 0) << selector;
        EXPECT_EQ(std::memcmp(before.data(), &host.record(), before.size()), 0) << selector;
    }
    // A new transition has no settings yet.
    EXPECT_EQ(call(hostkit::speedrazor_new, &host.record()), 1);
    EXPECT_EQ(host.record().settings, nullptr);
    EXPECT_TRUE(engine_events("render").empty());
}

TEST_F(SpeedRazorPluginTest, InformationNamesTheTransitionAndHandsOverItsIcon) {
    load();
    hostkit::SpeedRazorInformation info;
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_EQ(call(hostkit::speedrazor_information, &info), 0);
    EXPECT_EQ(info.value_0, 2);
    EXPECT_EQ(info.value_4, 2);
    EXPECT_STREQ(info.name, "Kaleidra 3.0");
    EXPECT_STREQ(info.description, "Incredible 3D transitions and effects.");
    EXPECT_EQ(info.value_16, 1);
    EXPECT_EQ(info.value_20, 0);
    EXPECT_EQ(info.value_60, 0);
    EXPECT_EQ(info.has_icon, 1);
    EXPECT_EQ(std::count(std::begin(info.reserved), std::end(info.reserved), 0), 28);
    ASSERT_NE(info.icon, nullptr);
    // The icon is the library's bitmap 101 as a host reads it from the
    // file, without the 40-byte header: 14,400 bytes.
    auto resources = plugin_resources::read_library_resources(KDR_KDR30_TRA);
    ASSERT_TRUE(resources.ok()) << resources.error();
    const plugin_resources::PluginResource* bitmap =
        plugin_resources::find_resource(*resources, "BITMAP", 101);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->data.size(), 40u + 14400u);
    EXPECT_EQ(std::memcmp(info.icon, bitmap->data.data() + 40, 14400), 0);
    // The icon's block is locked while the host reads it.
    EXPECT_EQ(hostkit::movable_lock_count(const_cast<std::uint8_t*>(info.icon) - 16), 1u);
    EXPECT_EQ(messages(), "");
}

TEST_F(SpeedRazorPluginTest, AWholeFrameRendersOnTheCallingThread) {
    load();
    SimSpeedRazor host(24, 10, host_folder());
    host.record().part = 3;
    host.record().total = 10;
    EXPECT_EQ(call(hostkit::speedrazor_render, &host.record()), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].position, 3u);
    EXPECT_EQ(renders[0].flags, 0u);
    EXPECT_EQ(renders[0].quiet, 0u);
    EXPECT_EQ(renders[0].thread, kdr::test::current_thread_id());
    // Stored row 0 is the picture's bottom row (y 9).
    EXPECT_EQ(stored_pixel(host.destination(), 5, 0)[0], 5 + 3);
    EXPECT_EQ(stored_pixel(host.destination(), 5, 0)[1], 9);

    // A preview (not a final render) is quiet.
    host.record().final_render = 0;
    call(hostkit::speedrazor_render, &host.record());
    EXPECT_EQ(engine_events("render").back().quiet, 1u);
}

struct FieldCase {
    const char* name;
    std::int32_t flags;
    bool multi;
    std::uint32_t first_flags;  // the field drawn at step 2 x part
};

class SpeedRazorFields : public SpeedRazorPluginTest,
                         public ::testing::WithParamInterface<FieldCase> {};

TEST_P(SpeedRazorFields, BothFieldsRenderInOneCallHalfAStepApart) {
    const FieldCase& c = GetParam();
    set_number("Rnd_Multi", c.multi ? 1 : 0);
    load();
    SimSpeedRazor host(12, 5, host_folder());
    host.record().part = 3;
    host.record().total = 10;
    host.record().flags = c.flags;
    EXPECT_EQ(call(hostkit::speedrazor_render, &host.record()), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    const EngineEvent& first = renders[0].position == 6 ? renders[0] : renders[1];
    const EngineEvent& second = renders[0].position == 6 ? renders[1] : renders[0];
    EXPECT_EQ(first.position, 6u) << "steps 6 and 7 of 20";
    EXPECT_EQ(second.position, 7u);
    EXPECT_EQ(first.flags, c.first_flags);
    EXPECT_EQ(second.flags, c.first_flags ^ 0x6000u);
    EXPECT_NE(first.context, second.context) << "each field its own slot";
    if (c.multi) {
        EXPECT_NE(first.thread, second.thread) << "both fields at once";
    } else {
        EXPECT_EQ(first.thread, kdr::test::current_thread_id());
        EXPECT_EQ(second.thread, kdr::test::current_thread_id());
    }

    // A 5-line frame: field 0x2000 has 3 lines from stored row 0, field
    // 0x4000 2 lines from stored row 1. The counting engine numbers each
    // field's rows from its top (green), and draws blue = x + position.
    const std::uint32_t position_2000 = (c.first_flags & 0x2000) != 0 ? 6 : 7;
    const std::uint32_t position_4000 = 13 - position_2000;
    const int green[5] = {2, 1, 1, 0, 0};
    for (std::int32_t row = 0; row < 5; ++row) {
        const std::uint8_t* pixel = stored_pixel(host.destination(), 4, row);
        const std::uint32_t position = row % 2 == 0 ? position_2000 : position_4000;
        EXPECT_EQ(pixel[0], 4 + position) << "row " << row;
        EXPECT_EQ(pixel[1], green[row]) << "row " << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Orders, SpeedRazorFields,
                         ::testing::Values(FieldCase{"first_0x2000", 0x08, false, 0x2100},
                                           FieldCase{"first_0x4000", 0x28, false, 0x4100},
                                           FieldCase{"first_0x2000_multi", 0x08, true, 0x2100},
                                           FieldCase{"first_0x4000_multi", 0x28, true, 0x4100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SpeedRazorPluginTest, AnEvenHeightSplitsEvenlyByTheRowOrder) {
    load();
    SimSpeedRazor host(12, 6, host_folder());
    host.record().flags = 0x08;
    call(hostkit::speedrazor_render, &host.record());
    // Rows bottom first: field 0x2000 (view 1) starts one row further.
    const std::uint8_t* row0 = stored_pixel(host.destination(), 0, 0);
    const std::uint8_t* row1 = stored_pixel(host.destination(), 0, 1);
    EXPECT_EQ(row0[0], 1) << "stored row 0: the field at step 1 (0x4000)";
    EXPECT_EQ(row1[0], 0) << "stored row 1: the field at step 0 (0x2000)";
}

TEST_F(SpeedRazorPluginTest, TheHostHearsProgressFromTheFirstSlotOnly) {
    set_number("Rnd_Multi", 1);
    load();
    SimSpeedRazor host(16, 8, host_folder());
    host.record().flags = 0x08;
    call(hostkit::speedrazor_render, &host.record());
    host.record().flags = 0;
    call(hostkit::speedrazor_render, &host.record());
    std::vector<std::string> lines = callbacks();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "progress 100 100"), 2) << "one report a call";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "test-abort 0"), 4)
        << "both slots poll for an abort";
}

TEST_F(SpeedRazorPluginTest, AnAbortMakesTheRenderAnswerOne) {
    load();
    SimSpeedRazor host(16, 8, host_folder());
    host.record().flags = 0x08;
    ::setenv(hostkit::test::abort_after_variable, "1", 1);
    EXPECT_EQ(call(hostkit::speedrazor_render, &host.record()), 1);
    EXPECT_EQ(engine_events("aborted").size(), 2u) << "the second field is stopped too";
    ::unsetenv(hostkit::test::abort_after_variable);
    EXPECT_EQ(call(hostkit::speedrazor_render, &host.record()), 0) << "each call starts afresh";
}

TEST_F(SpeedRazorPluginTest, WithoutTheHostsLibraryRenderingGoesOn) {
    load();
    SimSpeedRazor host(16, 8, root());
    EXPECT_EQ(call(hostkit::speedrazor_render, &host.record()), 0);
    EXPECT_EQ(engine_events("render").size(), 1u);
    EXPECT_TRUE(callbacks().empty());
    // A folder field without its end is no folder.
    std::memset(host.record().host_folder, 'x', sizeof host.record().host_folder);
    EXPECT_EQ(call(hostkit::speedrazor_render, &host.record()), 0);
    EXPECT_EQ(engine_events("render").size(), 2u);
}

TEST_F(SpeedRazorPluginTest, ChangedFlagsPrepareAgain) {
    load();
    SimSpeedRazor host(16, 8, host_folder());
    host.record().flags = 0x08;
    call(hostkit::speedrazor_render, &host.record());
    call(hostkit::speedrazor_render, &host.record());
    EXPECT_EQ(engine_events("prepare").size(), 2u) << "each field's slot once";
    host.record().flags = 0x28;
    call(hostkit::speedrazor_render, &host.record());
    EXPECT_EQ(engine_events("prepare").size(), 4u) << "the field order changed";
}

TEST_F(SpeedRazorPluginTest, WorkFolderPicturesWithoutParityServeBothFields) {
    write_work_picture("V03.IMG");
    write_work_picture("V04.IMG");
    write_work_picture("V030.IMG");
    load();
    SimSpeedRazor host(16, 8, host_folder());
    host.record().flags = 0x08;
    call(hostkit::speedrazor_render, &host.record());
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[0].images, 4u);
    EXPECT_EQ(renders[1].images, 4u);
}

TEST_F(SpeedRazorPluginTest, RendersWithTheStoredSettings) {
    load();
    SimSpeedRazor host(16, 8, host_folder());
    host.store(stored_settings("PageTurn"));
    call(hostkit::speedrazor_render, &host.record());
    EXPECT_EQ(engine_events("render").at(0).name, "PageTurn");
    EXPECT_FALSE(host.stored().empty()) << "the settings stay the host's";
}

struct DamagedCase {
    const char* what;
    void (*damage)(hostkit::SpeedRazorRecord&);
};

class SpeedRazorDamagedRecord : public SpeedRazorPluginTest,
                                public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(SpeedRazorDamagedRecord, RendersNothingAndCrashesNothing) {
    load();
    SimSpeedRazor host(16, 8, host_folder());
    GetParam().damage(host.record());
    EXPECT_EQ(call(hostkit::speedrazor_render, &host.record()), 0);
    EXPECT_TRUE(engine_events("render").empty()) << GetParam().what;
    EXPECT_EQ(host.destination().bytes(), std::vector<std::uint8_t>(16 * 8 * 4, 0xEE));
}

INSTANTIATE_TEST_SUITE_P(
    Records, SpeedRazorDamagedRecord,
    ::testing::Values(DamagedCase{"no_source_a", [](auto& r) { r.source_a = nullptr; }},
                      DamagedCase{"no_source_b", [](auto& r) { r.source_b = nullptr; }},
                      DamagedCase{"no_destination", [](auto& r) { r.destination = nullptr; }},
                      DamagedCase{"no_width", [](auto& r) { r.width = 0; }},
                      DamagedCase{"negative_height", [](auto& r) { r.height = -8; }},
                      DamagedCase{"absurd_size", [](auto& r) { r.width = 1 << 28; }}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SpeedRazorPluginTest, DetachFreesTheContextsAndTheHostsLibrary) {
    set_number("Rnd_Multi", 1);
    load();
    SimSpeedRazor host(16, 8, host_folder());
    call(hostkit::speedrazor_render, &host.record());
    unload();
    // (The order of the two is seen in speedrazor_transition_test: inside
    // the host's unloading of the plug-in the C library unloads the
    // libraries the plug-in released only once it has finished.)
    EXPECT_EQ(engine_events("free").size(), 2u);
    const std::vector<EngineEvent> events = engine_events();
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const EngineEvent& e) {
        return e.library == "callback" && e.event == "unload";
    }));
}

}  // namespace
}  // namespace kdr::speedrazor::test
