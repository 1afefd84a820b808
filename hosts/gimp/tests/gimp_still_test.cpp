// The GIMP plug-in's render core in this process, through the counting
// engine: the layer's pixels become the video the settings name (with the
// selection's and the layer's alpha), the frame replaces them, and they
// stay as they were when nothing can be drawn; and the settings of a
// non-interactive run from its parameters, refused when they cannot be
// rendered.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "call_parameters.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "still_image.h"

namespace kdr::gimp {
namespace {

using kdr::test::EngineEvent;

// A layer whose pixel (x, y) is red 10 + x, green 20 + y, blue 30, alpha 200.
StillImage layer(std::int32_t width, std::int32_t height, bool alpha) {
    StillImage image;
    image.width = width;
    image.height = height;
    image.has_alpha = alpha;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            image.rgba.insert(image.rgba.end(), {static_cast<std::uint8_t>(10 + x),
                                                 static_cast<std::uint8_t>(20 + y), 30, 200});
        }
    }
    return image;
}

class GimpStillTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        install_counting_engine("Rnd_Count");
        ASSERT_TRUE(settings_initialise(settings));
        std::strncpy(settings.name, "PageTurn", sizeof settings.name - 1);
        settings.globals[global_filter_frames] = 10;
        settings.globals[global_filter_percent] = 50;
    }
    void TearDown() override { settings_destroy(settings); }

    EffectSettings settings;
    const float black[3] = {0, 0, 0};
};

TEST_F(GimpStillTest, TheFrameReplacesTheLayer) {
    StillImage image = layer(6, 4, true);
    const StillOutcome outcome = filter_still_image(image, settings, black);
    ASSERT_TRUE(outcome.drawn) << outcome.message;
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].position, 5u);
    EXPECT_EQ(renders[0].images, 20u);
    EXPECT_EQ(renders[0].a, 10) << "the top left pixel's red";
    EXPECT_EQ(renders[0].b, -1);
    // The counting engine's bytes in memory order: x + 5, y, 3x + 5y + 35,
    // the context's number (the layer's new alpha).
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 6; ++x) {
            const std::uint8_t* pixel = &image.rgba[(y * 6 + x) * 4];
            EXPECT_EQ(pixel[0], x + 5) << x << ", " << y;
            EXPECT_EQ(pixel[1], y) << x << ", " << y;
            EXPECT_EQ(pixel[2], 3 * x + 5 * y + 35) << x << ", " << y;
            EXPECT_EQ(pixel[3], 1) << x << ", " << y;
        }
    }
    StillImage opaque = layer(6, 4, false);
    ASSERT_TRUE(filter_still_image(opaque, settings, black).drawn);
    EXPECT_EQ(opaque.rgba[3], 255) << "a layer without alpha stays opaque";
}

TEST_F(GimpStillTest, TheLayerIsTheVideoTheSettingsNameWithTheSelectionsAlpha) {
    settings.globals[global_filter_source] = 1;
    StillImage image = layer(3, 2, true);
    image.selection = {255, 128, 0, 255, 255, 255};
    const std::vector<std::uint8_t> source = engine_source(image);
    EXPECT_EQ(source[3], 200);
    EXPECT_EQ(source[7], (200 * 128 + 127) / 255);
    EXPECT_EQ(source[11], 0);
    EXPECT_EQ(source[0], 10);
    image.has_alpha = false;
    EXPECT_EQ(engine_source(image)[7], 128) << "without alpha only the selection counts";

    ASSERT_TRUE(filter_still_image(image, settings, black).drawn);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].a, -1);
    EXPECT_EQ(renders[0].b, 10) << "video 2";
}

TEST_F(GimpStillTest, WhatCannotBeDrawnLeavesTheLayer) {
    const StillImage original = layer(6, 4, true);
    StillImage image = original;
    settings.globals[global_filter_source] = std::numeric_limits<float>::quiet_NaN();
    StillOutcome outcome = filter_still_image(image, settings, black);
    EXPECT_FALSE(outcome.drawn);
    EXPECT_NE(outcome.message.find("filter source"), std::string::npos) << outcome.message;

    settings.globals[global_filter_source] = 0;
    image.selection = {1, 2, 3};  // not the layer's size
    EXPECT_FALSE(filter_still_image(image, settings, black).drawn);
    image.selection.clear();

    set_string("Engine", "Rnd_Missing");
    outcome = filter_still_image(image, settings, black);
    EXPECT_FALSE(outcome.drawn);
    EXPECT_NE(outcome.message.find("Rnd_Missing"), std::string::npos) << outcome.message;
    EXPECT_EQ(image.rgba, original.rgba);
    EXPECT_TRUE(engine_events("render").empty());
}

TEST_F(GimpStillTest, CallParametersBecomeTheFilterValues) {
    EffectSettings call_settings;
    ASSERT_TRUE(settings_initialise(call_settings));
    ASSERT_TRUE(settings_for_call({"CubeTurn", "", 25, 40, 3}, call_settings).ok());
    EXPECT_STREQ(call_settings.name, "CubeTurn");
    EXPECT_EQ(call_settings.globals[global_filter_percent], 25);
    EXPECT_EQ(call_settings.globals[global_filter_frames], 40);
    EXPECT_EQ(call_settings.globals[global_filter_source], 2);

    // A settings file keeps its effect when no name is given.
    const std::vector<std::uint8_t> block = settings_to_block(settings);
    std::ofstream(root() / "stored.kdrr", std::ios::binary)
        .write(reinterpret_cast<const char*>(block.data()),
               static_cast<std::streamsize>(block.size()));
    ASSERT_TRUE(
        settings_for_call({"", (root() / "stored.kdrr").string(), 50, 10, 1}, call_settings).ok());
    EXPECT_STREQ(call_settings.name, "PageTurn");
    settings_destroy(call_settings);
}

TEST_F(GimpStillTest, CallParametersThatCannotBeRenderedAreRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CallParameters refused[] = {
        {"../PageTurn", "", 50, 10, 1},
        {std::string(41, 'a'), "", 50, 10, 1},
        {"PageTurn", "", nan, 10, 1},
        {"PageTurn", "", -1, 10, 1},
        {"PageTurn", "", 100.5, 10, 1},
        {"PageTurn", "", 50, 0, 1},
        {"PageTurn", "", 50, -7, 1},
        {"PageTurn", "", 50, 2000000000, 1},
        {"PageTurn", "", 50, 10, 0},
        {"PageTurn", "", 50, 10, 21},
        {"PageTurn", (root() / "missing.kdrr").string(), 50, 10, 1},
    };
    EffectSettings call_settings;
    ASSERT_TRUE(settings_initialise(call_settings));
    for (const CallParameters& call : refused) {
        const Status status = settings_for_call(call, call_settings);
        EXPECT_FALSE(status.ok()) << call.effect << " " << call.percent << " " << call.frames << " "
                                  << call.video << " " << call.settings_file;
    }
    settings_destroy(call_settings);
}

}  // namespace
}  // namespace kdr::gimp
