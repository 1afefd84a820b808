// The preview renderer with the real Rnd_Generic engine and the shipped
// effects and textures: a preview of thirty frames of 64 pixels that moves.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "kaleidra/gui/preview_renderer.h"
#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::gui {
namespace {

using test::InstallationContents;
using test::TestInstallation;

bool wait_for(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool all_grey(const std::vector<std::uint8_t>& pixels) {
    return std::all_of(pixels.begin(), pixels.end(),
                       [](std::uint8_t b) { return b == preview_grey; });
}

TEST(GenericPreviewTest, ThirtyFramesOfSixtyFourPixelsFromRndGeneric) {
    TestInstallation install{
        InstallationContents{.generic_engine = true, .preview_engine = "Rnd_Generic"}};
    PreviewRenderer renderer(preview_config(1, 30, false));
    struct Record {
        EffectSettings value;
        Record() { EXPECT_TRUE(settings_initialise(value)); }
        ~Record() { settings_destroy(value); }
    } record;
    std::strcpy(record.value.name, "Globe");
    ASSERT_TRUE(wait_for([&] { return renderer.engine_tried(); }));
    ASSERT_TRUE(renderer.engine_loaded());
    renderer.request_render(record.value, {true, 2, 45});
    ASSERT_TRUE(wait_for([&] { return renderer.renders_completed() == 1; })) << "no render";
    std::vector<std::vector<std::uint8_t>> frames(30);
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(renderer.copy_frame(i, frames[i]));
        ASSERT_EQ(frames[i].size(), 64u * 64 * 3);
        EXPECT_FALSE(all_grey(frames[i])) << "frame " << i << " was not rendered";
    }
    EXPECT_NE(frames[0], frames[15]) << "the preview does not move";
    EXPECT_NE(frames[15], frames[29]) << "the preview does not move";
}

}  // namespace
}  // namespace kdr::gui
