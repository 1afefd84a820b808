#include "kaleidra/host/render_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "driver_test_support.h"
#include "kaleidra/images/image_file.h"

namespace kdr::host {
namespace {

using test::EngineEvent;

class RenderDriverTest : public test::DriverTest {};

TEST_F(RenderDriverTest, FirstFrameAfterAttachPreparesBothSlotsForDefaultSettings) {
    RenderDriver driver;
    Status attached = driver.attach();
    ASSERT_TRUE(attached.ok()) << attached.error();
    EXPECT_EQ(driver.engine_name(), "Rnd_Count");
    ASSERT_FALSE(driver.multi());
    fill(driver, 0, 8, 4);
    // The settings are the all-zero record; only the previous size is new.
    ASSERT_TRUE(driver.needs_new_preparation(0));
    driver.begin_frame(0);
    EXPECT_EQ(driver.slot(0).needs_prepare, 1u);
    EXPECT_EQ(driver.slot(1).needs_prepare, 1u);
    driver.end_frame(0, driver.dispatch(FrameCall::whole_frame));

    // Slot 0 prepared and rendered; slot 1 stays marked for when it is used.
    EXPECT_EQ(events_of("prepare").size(), 1u);
    EXPECT_EQ(events_of("render").size(), 1u);
    EXPECT_EQ(driver.slot(0).needs_prepare, 0u);
    EXPECT_NE(driver.slot(0).context, nullptr);
    EXPECT_EQ(driver.slot(1).needs_prepare, 1u);
    EXPECT_EQ(driver.slot(1).context, nullptr);
}

TEST_F(RenderDriverTest, SameFrameTwicePreparesOnce) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    for (int i = 0; i < 2; ++i) {
        fill(driver, 0, 8, 4, 3);
        driver.render(FrameCall::whole_frame);
    }
    EXPECT_EQ(events_of("prepare").size(), 1u);
    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[0].context, renders[1].context);
}

TEST_F(RenderDriverTest, AnInvalidatedPreparationPreparesOnceMore) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fill(driver, 0, 8, 4);
    driver.render(FrameCall::whole_frame);
    driver.invalidate_preparation();
    ASSERT_TRUE(driver.needs_new_preparation(0));
    fill(driver, 0, 8, 4);
    driver.render(FrameCall::whole_frame);
    fill(driver, 0, 8, 4);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(events_of("prepare").size(), 2u) << "once at the start, once after invalidating";
    EXPECT_EQ(events_of("render").size(), 3u);
}

TEST_F(RenderDriverTest, ChangingOnlyTheOptionsPreparesAgain) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fill(driver, 0, 8, 4);
    driver.render(FrameCall::whole_frame);
    driver.settings().globals[global_shadows] = 50;
    fill(driver, 0, 8, 4, 1);
    driver.render(FrameCall::whole_frame);
    driver.settings().video_values[1][video_direction] = 90;
    fill(driver, 0, 8, 4, 2);
    driver.render(FrameCall::whole_frame);
    fill(driver, 0, 8, 4, 3);
    driver.render(FrameCall::whole_frame);

    EXPECT_EQ(events_of("prepare").size(), 3u);
    EXPECT_EQ(events_of("render").size(), 4u);
    EXPECT_EQ(driver.previous_settings().globals[global_shadows], 50);
    EXPECT_EQ(driver.previous_settings().video_values[1][video_direction], 90);
}

TEST_F(RenderDriverTest, ChangingTheSizePreparesAgain) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fill(driver, 0, 8, 4);
    driver.render(FrameCall::whole_frame);
    fill(driver, 0, 8, 5);
    driver.render(FrameCall::whole_frame);
    fill(driver, 0, 9, 5);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(events_of("prepare").size(), 3u);
}

TEST_F(RenderDriverTest, WithoutMultiRenderingOnlySlotZeroRenders) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    for (std::uint32_t position = 0; position < 3; ++position) {
        fill(driver, 0, 6, 5, position);
        driver.frame(0).flags = flag_upper_half;  // left over from an earlier split
        driver.render(FrameCall::whole_frame);
    }
    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 3u);
    for (const EngineEvent& e : renders) {
        EXPECT_EQ(e.context, renders[0].context);
        EXPECT_EQ(e.flags & (flag_upper_half | flag_lower_half), 0u);
        EXPECT_NE(e.thread, test::current_thread()) << "renders on a worker thread";
    }
    EXPECT_EQ(driver.slot(1).context, nullptr);
    // The whole picture came from slot 0's context.
    for (std::uint32_t y = 0; y < 5; ++y) {
        EXPECT_EQ(pixel(6, 0, y)[3], renders[0].context) << "row " << y;
    }
}

TEST_F(RenderDriverTest, MissingLibraryRendersNothing) {
    set_string("Engine", "Rnd_Gone");
    RenderDriver driver;
    EXPECT_FALSE(driver.attach());
    EXPECT_EQ(driver.engine().tried_path(), libs() / "Rnd_Gone.so");
    for (int i = 0; i < 2; ++i) {
        fill(driver, 0, 4, 4);
        driver.render(FrameCall::whole_frame);
        EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](auto b) { return b == 0xEE; }));
    }
    EXPECT_EQ(driver.slot(0).context, nullptr);
    EXPECT_TRUE(events().empty());
}

TEST_F(RenderDriverTest, MissingEngineNameRendersNothing) {
    remove_value("Engine");
    RenderDriver driver;
    Status attached = driver.attach();
    ASSERT_FALSE(attached.ok());
    EXPECT_NE(attached.error().find("\"Engine\""), std::string::npos) << attached.error();
    fill(driver, 0, 4, 4);
    driver.render(FrameCall::whole_frame);
    EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](auto b) { return b == 0xEE; }));
}

TEST_F(RenderDriverTest, MissingEntryPointsRenderNothing) {
    install_engine("Rnd_Partial", kdr::test::partial_engine_file());
    set_string("Engine", "Rnd_Partial");
    {
        RenderDriver driver;
        ASSERT_TRUE(driver.attach());
        for (int i = 0; i < 2; ++i) {
            fill(driver, 0, 4, 4);
            driver.render(FrameCall::whole_frame);
        }
        EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](auto b) { return b == 0xEE; }));
        EXPECT_EQ(driver.slot(0).context, nullptr);
        // The flag is cleared even though nothing could prepare.
        EXPECT_EQ(driver.slot(0).needs_prepare, 0u);
    }
    const std::vector<EngineEvent> all = events();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].event, "unload");
}

TEST_F(RenderDriverTest, FailedPrepareIsTriedAgainAtTheNextFrame) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fail_prepare("all");
    fill(driver, 0, 4, 4);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(driver.slot(0).context, nullptr);
    EXPECT_TRUE(events_of("render").empty());
    fail_prepare("");
    fill(driver, 0, 4, 4);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(events_of("prepare").size(), 2u);
    EXPECT_EQ(events_of("render").size(), 1u);
    EXPECT_NE(driver.slot(0).context, nullptr);
}

TEST_F(RenderDriverTest, UnloadFreesTheContextsBeforeReleasingTheLibrary) {
    {
        RenderDriver driver;
        ASSERT_TRUE(driver.attach());
        fill(driver, 0, 4, 4);
        driver.render(FrameCall::whole_frame);
        ASSERT_NE(driver.slot(0).context, nullptr);
    }
    const std::vector<EngineEvent> all = events();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2].event, "free");
    EXPECT_EQ(all[all.size() - 2].context, events_of("prepare").back().context);
    EXPECT_EQ(all.back().event, "unload");
}

TEST_F(RenderDriverTest, EngineChangeTakesEffectAfterRefresh) {
    install_engine("Rnd_Other");
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fill(driver, 0, 4, 4);
    driver.render(FrameCall::whole_frame);

    EXPECT_FALSE(driver.refresh_engine()) << "same name keeps the engine and its contexts";
    EXPECT_NE(driver.slot(0).context, nullptr);

    set_string("Engine", "Rnd_Other");
    fill(driver, 0, 4, 4);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(events_of("render").back().library, "Rnd_Count") << "only a refresh reloads";

    EXPECT_TRUE(driver.refresh_engine());
    EXPECT_EQ(driver.engine_name(), "Rnd_Other");
    EXPECT_EQ(driver.slot(0).context, nullptr);
    fill(driver, 0, 4, 4);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(events_of("prepare").back().library, "Rnd_Other");
    EXPECT_EQ(events_of("render").back().library, "Rnd_Other");
}

TEST_F(RenderDriverTest, RefreshReadsTheMultiSwitchAgain) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    EXPECT_FALSE(driver.multi());
    set_number("Rnd_Multi", 1);
    EXPECT_FALSE(driver.multi());
    (void)driver.refresh_engine();
    EXPECT_TRUE(driver.multi());
}

TEST_F(RenderDriverTest, SlotRoutineRunsOnTheCallingThread) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    driver.set_calling_thread(CallingThread::slot_routine);
    fill(driver, 0, 4, 4);
    driver.render(FrameCall::whole_frame);
    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].thread, test::current_thread());
    EXPECT_EQ(events_of("prepare")[0].thread, test::current_thread());
}

TEST_F(RenderDriverTest, OwnContextIsPreparedAtOnceAndRenderedOnTheCallingThread) {
    {
        RenderDriver driver;
        ASSERT_TRUE(driver.attach());
        driver.set_calling_thread(CallingThread::own_context);
        fill(driver, 0, 4, 4);
        driver.begin_frame(0);
        // Prepared during the decision, before anything is dispatched.
        ASSERT_NE(driver.calling_context(), nullptr);
        EXPECT_TRUE(events_of("render").empty());
        driver.end_frame(0, driver.dispatch(FrameCall::whole_frame));

        fill(driver, 0, 4, 4, 1);
        driver.render(FrameCall::whole_frame);
        driver.settings().globals[global_blur_count] = 2;
        fill(driver, 0, 4, 4, 2);
        driver.render(FrameCall::whole_frame);

        const std::vector<EngineEvent> renders = events_of("render");
        ASSERT_EQ(renders.size(), 3u);
        for (const EngineEvent& e : renders) {
            EXPECT_EQ(e.thread, test::current_thread());
        }
        EXPECT_EQ(events_of("prepare").size(), 2u);
        EXPECT_EQ(renders[2].context, events_of("prepare").back().context);
        EXPECT_EQ(driver.slot(0).context, nullptr);
        EXPECT_EQ(driver.slot(1).context, nullptr);
    }
    const std::vector<EngineEvent> all = events();
    EXPECT_EQ(all[all.size() - 2].event, "free");
    EXPECT_EQ(all.back().event, "unload");
}

TEST_F(RenderDriverTest, UseEngineLoadsANamedEngine) {
    install_engine("Rnd_Named");
    RenderDriver driver;
    ASSERT_TRUE(driver.use_engine("Rnd_Named"));
    fill(driver, 0, 4, 4);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(events_of("render").back().library, "Rnd_Named");
    EXPECT_FALSE(driver.use_engine("Rnd_Missing"));
    EXPECT_EQ(driver.engine().tried_path(), libs() / "Rnd_Missing.so");
}

// A small KDRI work image of one colour.
void write_work_image(const std::filesystem::path& file) {
    ImageRecord image;
    image_construct(image);
    image_set_shape(image, {format_bgr, 3, 4, row_order_bottom_up, 2, 2});
    ASSERT_TRUE(image_allocate(image));
    ASSERT_TRUE(write_image_file(image, file));
    image_release_all(image);
}

struct ExtraImagesCase {
    std::vector<const char*> files;
    int parity;
    std::uint32_t count;
};

class ExtraImagesTest : public RenderDriverTest,
                        public ::testing::WithParamInterface<ExtraImagesCase> {};

TEST_P(ExtraImagesTest, AGapEndsTheList) {
    for (const char* name : GetParam().files) {
        write_work_image(work() / name);
    }
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fill(driver, 0, 4, 4);
    EXPECT_EQ(driver.load_extra_images(0, GetParam().parity), GetParam().count);
    for (std::uint32_t i = 2; i < GetParam().count; ++i) {
        EXPECT_NE(driver.frame(0).images[i].buffer, nullptr) << "slot " << i;
        EXPECT_EQ(driver.frame(0).images[i].owns, 1);
    }
    EXPECT_EQ(driver.frame(0).images[GetParam().count].buffer, nullptr);
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(events_of("render").back().images, GetParam().count);
    // Released after the frame; the host's buffers are left alone.
    for (std::uint32_t i = 2; i < GetParam().count; ++i) {
        EXPECT_EQ(driver.frame(0).images[i].buffer, nullptr);
    }
    EXPECT_EQ(driver.frame(0).images[0].buffer, source.data());
    EXPECT_EQ(driver.frame(0).output.buffer, output.data());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtraImagesTest,
    ::testing::Values(ExtraImagesCase{{}, -1, 2}, ExtraImagesCase{{"V03.IMG", "V05.IMG"}, -1, 3},
                      ExtraImagesCase{{"V03.IMG", "V04.IMG", "V05.IMG"}, -1, 5},
                      ExtraImagesCase{{"V04.IMG", "V05.IMG"}, -1, 2},
                      ExtraImagesCase{{"V031.IMG", "V041.IMG", "V030.IMG"}, 1, 4},
                      ExtraImagesCase{{"V031.IMG", "V041.IMG", "V030.IMG"}, 0, 3},
                      ExtraImagesCase{{"v03.img"}, -1, 3}));

TEST_F(RenderDriverTest, AllEighteenExtraImagesFillTheSlots) {
    for (int i = 3; i <= 21; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "V%02d.IMG", i);
        write_work_image(work() / name);
    }
    RenderDriver driver;
    fill(driver, 0, 4, 4);
    EXPECT_EQ(driver.load_extra_images(0, -1), 20u);
}

TEST_F(RenderDriverTest, UnreadableExtraImageEndsTheList) {
    write_work_image(work() / "V03.IMG");
    std::ofstream(work() / "V04.IMG") << "not an image";
    write_work_image(work() / "V05.IMG");
    RenderDriver driver;
    fill(driver, 0, 4, 4);
    EXPECT_EQ(driver.load_extra_images(0, -1), 3u);
}

class DriverLogTest : public RenderDriverTest {};

TEST_F(DriverLogTest, HeaderOnPreparationAndOneTotalPerFrame) {
    set_number("Rnd_Logging", 1);
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    for (std::uint32_t position = 0; position < 3; ++position) {
        fill(driver, 0, 320, 240, position, 2);
        driver.render(FrameCall::whole_frame);
    }
    std::string text = read_text(render_log());
    auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("Effect    : "), 1u);
    EXPECT_EQ(count("Resolution: 320 x 240\r\nEngine    : Rnd_Count\r\n"), 1u);
    EXPECT_EQ(count("- Total   : "), 3u);
    EXPECT_EQ(count("- Started"), 0u);

    set_number("Rnd_Logging", 2);
    driver.settings().globals[global_fly_direction] = 1;
    fill(driver, 0, 320, 240, 0, 2);
    driver.render(FrameCall::whole_frame);
    text = read_text(render_log());
    EXPECT_EQ(count("Effect    : "), 2u);
    EXPECT_EQ(count("Options   : FlyOn, "), 1u);
    EXPECT_EQ(count("     0 of      2 - Started :   "), 1u);
    EXPECT_EQ(count("- Finished:   "), 1u);
    EXPECT_EQ(count("- Elapsed : "), 1u);
}

TEST_F(DriverLogTest, HeaderNamesTheEngineThatRenders) {
    set_number("Rnd_Logging", 1);
    install_engine("Rnd_Named");
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    set_string("Engine", "Rnd_Later");  // changed, but not yet reloaded
    fill(driver, 0, 8, 4);
    driver.render(FrameCall::whole_frame);
    ASSERT_TRUE(driver.use_engine("Rnd_Named"));
    fill(driver, 0, 8, 4);
    driver.render(FrameCall::whole_frame);
    const std::string text = read_text(render_log());
    const std::size_t first = text.find("Engine    : Rnd_Count\r\n");
    const std::size_t second = text.find("Engine    : Rnd_Named\r\n");
    EXPECT_NE(first, std::string::npos) << text;
    EXPECT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second);
    EXPECT_EQ(text.find("Rnd_Later"), std::string::npos) << text;
}

TEST_F(DriverLogTest, QuietFramesWriteNothing) {
    set_number("Rnd_Logging", 2);
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fill(driver, 0, 118, 88);
    driver.frame(0).quiet = 1;
    driver.render(FrameCall::whole_frame);
    EXPECT_FALSE(std::filesystem::exists(render_log()));
    EXPECT_EQ(events_of("render").size(), 1u);
}

}  // namespace
}  // namespace kdr::host
