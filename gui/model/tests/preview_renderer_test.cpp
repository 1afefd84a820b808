// The preview renderer's thread with the recording engine: which frames it
// asks for, stopping, a missing engine (preview_engine_test.cpp renders with
// Rnd_Generic).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "kaleidra/gui/preview_renderer.h"
#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::gui {
namespace {

using test::InstallationContents;
using test::TestInstallation;

// Polls until `done` holds; fails the test after 30 s.
::testing::AssertionResult eventually(const std::function<bool()>& done, const char* what) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) {
            return ::testing::AssertionFailure() << "timed out waiting for " << what;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> lines_of(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> renders_in(const std::vector<std::string>& lines) {
    std::vector<std::string> renders;
    for (const std::string& line : lines) {
        if (line.starts_with("render ")) {
            renders.push_back(line);
        }
    }
    return renders;
}

struct Record {
    EffectSettings value;
    explicit Record(const char* name) {
        EXPECT_TRUE(settings_initialise(value));
        std::strcpy(value.name, name);
    }
    ~Record() { settings_destroy(value); }
};

bool all_grey(const std::vector<std::uint8_t>& pixels) {
    return std::all_of(pixels.begin(), pixels.end(),
                       [](std::uint8_t b) { return b == preview_grey; });
}

// Writes the twenty sample textures of each size into "Textures": small
// pictures of one colour each.
void write_sample_textures(const TestInstallation& install) {
    for (const char* prefix : {"PREVS_", "PREVM_", "PREVL_"}) {
        for (int n = 1; n <= 20; ++n) {
            ImageRecord image;
            image_construct(image);
            ImageShape shape;
            shape.format = format_bgr;
            shape.bytes_per_pixel = 3;
            shape.alignment = 4;
            shape.row_order = row_order_bottom_up;
            shape.width = shape.height = 8;
            ASSERT_TRUE(image_set_shape(image, shape) && image_allocate(image));
            std::memset(image.buffer, n * 12, image.size);
            char name[16];
            std::snprintf(name, sizeof name, "%s%02d.KDT", prefix, n);
            EXPECT_TRUE(write_image_file(image, install.folder("Textures") / name));
            image_release_all(image);
        }
    }
}

class RecordingPreviewTest : public ::testing::Test {
  protected:
    RecordingPreviewTest() { write_sample_textures(install); }

    TestInstallation install{InstallationContents{.shipped_effects = false,
                                                  .textures = false,
                                                  .recording_engine = true,
                                                  .preview_engine = "Rnd_Recording"}};

    void render_once(PreviewRenderer& renderer, const Record& record,
                     const PreviewSceneValues& scene) {
        ASSERT_TRUE(eventually([&] { return renderer.engine_tried(); }, "the engine"));
        ASSERT_TRUE(renderer.engine_loaded());
        const int before = renderer.renders_completed();
        renderer.request_render(record.value, scene);
        ASSERT_TRUE(eventually([&] { return renderer.renders_completed() > before; }, "a render"));
    }
};

TEST_F(RecordingPreviewTest, AnimatedPreviewRendersEveryFrameAtTheQualitysSize) {
    PreviewRenderer renderer(preview_config(1, 30, false));
    EXPECT_EQ(renderer.size(), 64);
    EXPECT_EQ(renderer.frame_count(), 30);
    EXPECT_EQ(renderer.textures_loaded(), 20);
    Record record("Globe");
    render_once(renderer, record, {true, 2, 45});

    const std::vector<std::string> lines = lines_of(install.engine_log());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "prepare 64x64 images 2 effect Globe");
    const std::vector<std::string> renders = renders_in(lines);
    ASSERT_EQ(renders.size(), 30u);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(renders[i], "render " + std::to_string(i) + "/29 64x64 images 2 effect Globe");
    }
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(renderer.copy_frame(i, pixels));
        ASSERT_EQ(pixels.size(), 64u * 64 * 3);
        EXPECT_EQ(pixels[0], i) << "frame buffer " << i << " holds frame " << int(pixels[0]);
        EXPECT_EQ(pixels[1], 29);
    }
    EXPECT_FALSE(renderer.copy_frame(30, pixels));
    EXPECT_EQ(renderer.progress(), 0) << "the bar goes back to 0 after a render";
    EXPECT_EQ(renderer.button_state(), RenderButtonState::render);
}

TEST_F(RecordingPreviewTest, FewerThanSixFramesRenderTheBestFrame) {
    PreviewRenderer renderer(preview_config(0, 5, false));
    Record record("Globe");
    render_once(renderer, record, {true, 2, 45});
    record.value.globals[global_fly_direction] = 1.0f;
    render_once(renderer, record, {true, 2, 30});
    EXPECT_EQ(renders_in(lines_of(install.engine_log())),
              (std::vector<std::string>{"render 45/100 32x32 images 2 effect Globe",
                                        "render 70/100 32x32 images 2 effect Globe"}));
    std::vector<std::uint8_t> pixels;
    ASSERT_TRUE(renderer.copy_frame(0, pixels));
    EXPECT_EQ(pixels[0], 70);
}

TEST_F(RecordingPreviewTest, FilterModeRendersThePercentOfTheFilterFrames) {
    PreviewRenderer renderer(preview_config(2, 30, true));
    EXPECT_EQ(renderer.frame_count(), 1);
    Record record("Windows3");
    record.value.globals[global_filter_frames] = 100;
    record.value.globals[global_filter_percent] = 25;
    render_once(renderer, record, {true, 3, 70});
    EXPECT_EQ(renders_in(lines_of(install.engine_log())),
              (std::vector<std::string>{"render 25/100 128x128 images 3 effect Windows3"}));
}

TEST_F(RecordingPreviewTest, WithoutASceneEveryTextureSlotIsOffered) {
    PreviewRenderer renderer(preview_config(0, 1, false));
    Record record("Unknown");
    render_once(renderer, record, {});
    EXPECT_EQ(renders_in(lines_of(install.engine_log())),
              (std::vector<std::string>{"render 0/100 32x32 images 20 effect Unknown"}));
}

TEST_F(RecordingPreviewTest, StoppingShowsWaitUntilTheThreadStopsThenRender) {
    install.set_engine_delay(400);
    PreviewRenderer renderer(preview_config(0, 10, false));
    Record record("Globe");
    ASSERT_TRUE(eventually([&] { return renderer.engine_tried(); }, "the engine"));
    renderer.request_render(record.value, {true, 2, 45});
    ASSERT_TRUE(eventually([&] { return renderer.rendering(); }, "the render to start"));
    EXPECT_EQ(renderer.button_state(), RenderButtonState::stop);
    renderer.request_stop();
    EXPECT_EQ(renderer.button_state(), RenderButtonState::wait);
    EXPECT_STREQ(render_button_text(renderer.button_state()), "Wait...");
    ASSERT_TRUE(eventually([&] { return !renderer.rendering(); }, "the render to stop"));
    install.set_engine_delay(0);
    EXPECT_EQ(renderer.button_state(), RenderButtonState::render);
    EXPECT_FALSE(renderer.stop_pending());
    EXPECT_EQ(renderer.renders_completed(), 0);
    const std::vector<std::string> renders = renders_in(lines_of(install.engine_log()));
    ASSERT_FALSE(renders.empty());
    EXPECT_LT(renders.size(), 10u);
    EXPECT_TRUE(renders.back().ends_with(" aborted")) << renders.back();
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < renderer.frame_count(); ++i) {
        ASSERT_TRUE(renderer.copy_frame(i, pixels));
        EXPECT_TRUE(all_grey(pixels)) << "a stopped render leaves grey frames, frame " << i;
    }
}

TEST_F(RecordingPreviewTest, AStopAndANewRequestStartOverWithTheNewSettings) {
    install.set_engine_delay(300);
    PreviewRenderer renderer(preview_config(0, 10, false));
    Record first("Globe");
    ASSERT_TRUE(eventually([&] { return renderer.engine_tried(); }, "the engine"));
    renderer.request_render(first.value, {true, 2, 45});
    ASSERT_TRUE(eventually([&] { return renderer.rendering(); }, "the first render"));
    install.set_engine_delay(0);
    Record second("PageTurn");
    renderer.request_stop();
    renderer.request_render(second.value, {true, 2, 35});
    ASSERT_TRUE(eventually([&] { return renderer.renders_completed() == 1; }, "the second render"));
    const std::vector<std::string> renders = renders_in(lines_of(install.engine_log()));
    ASSERT_GE(renders.size(), 10u);
    for (std::size_t i = renders.size() - 10; i < renders.size(); ++i) {
        EXPECT_TRUE(renders[i].ends_with("effect PageTurn")) << renders[i];
    }
}

TEST_F(RecordingPreviewTest, DestroyingTheRendererAbortsTheFrameInProgress) {
    install.set_engine_delay(60000);
    {
        PreviewRenderer renderer(preview_config(0, 10, false));
        Record record("Globe");
        ASSERT_TRUE(eventually([&] { return renderer.engine_tried(); }, "the engine"));
        renderer.request_render(record.value, {true, 2, 45});
        ASSERT_TRUE(eventually([&] { return renderer.rendering(); }, "the render"));
    }
    install.set_engine_delay(0);
    EXPECT_EQ(renders_in(lines_of(install.engine_log())),
              (std::vector<std::string>{"render 0/9 32x32 images 2 effect Globe aborted"}));
}

TEST_F(RecordingPreviewTest, TheDisplayCyclesAndFollowsARenderInProgress) {
    PreviewRenderer renderer(preview_config(0, 6, false));
    EXPECT_EQ(renderer.display_frame(), -1);
    std::vector<int> shown;
    for (int i = 0; i < 8; ++i) {
        shown.push_back(renderer.next_display_frame());
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 5, 0, 1}));
}

TEST(MissingPreviewEngineTest, LeavesGreyPreviewsAndRendersNothing) {
    TestInstallation install{InstallationContents{.shipped_effects = false,
                                                  .textures = false,
                                                  .recording_engine = true,
                                                  .preview_engine = "Rnd_Vanished"}};
    PreviewRenderer renderer(preview_config(1, 30, false));
    ASSERT_TRUE(eventually([&] { return renderer.engine_tried(); }, "the engine"));
    EXPECT_FALSE(renderer.engine_loaded());
    Record record("Globe");
    renderer.request_render(record.value, {true, 2, 45});
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(renderer.rendering());
    EXPECT_EQ(renderer.button_state(), RenderButtonState::render);
    std::vector<std::uint8_t> pixels;
    ASSERT_TRUE(renderer.copy_frame(29, pixels));
    EXPECT_TRUE(all_grey(pixels));
    EXPECT_TRUE(lines_of(install.engine_log()).empty());
}

TEST(MissingTexturesTest, RenderStillRunsWithEmptySlots) {
    TestInstallation install{InstallationContents{.shipped_effects = false,
                                                  .textures = false,
                                                  .recording_engine = true,
                                                  .preview_engine = "Rnd_Recording"}};
    PreviewRenderer renderer(preview_config(1, 1, false));
    EXPECT_EQ(renderer.textures_loaded(), 0);
    Record record("Globe");
    ASSERT_TRUE(eventually([&] { return renderer.engine_tried(); }, "the engine"));
    renderer.request_render(record.value, {true, 2, 45});
    ASSERT_TRUE(eventually([&] { return renderer.renders_completed() == 1; }, "a render"));
    EXPECT_EQ(renders_in(lines_of(install.engine_log())).size(), 1u);
}

}  // namespace
}  // namespace kdr::gui
