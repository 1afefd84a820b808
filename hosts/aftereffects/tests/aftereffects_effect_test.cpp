// The After Effects effect's parts in this process (not loaded from its
// file), with a stand-in for the selection dialog: the part and total of
// the slider, the layer pictures and their copies in the engines' order,
// and the options command (settings read from and handed back in the
// sequence data, a new engine named in the dialog prepared at the next
// render).

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "aftereffects_effect.h"
#include "completion.h"
#include "kaleidra/hostkit/testing/simulated_aftereffects.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "layer_pictures.h"

namespace kdr::aftereffects {
namespace {

using hostkit::test::AeLayerPixels;
using hostkit::test::SimAfterEffects;

constexpr std::int32_t percent = 1 << 16;

TEST(AfterEffectsCompletion, TheSliderIsAPercentageOfTheLayersWholeFrames) {
    const Completion half = completion(100, 1, 50 * percent);
    EXPECT_EQ(half.part, 50u);
    EXPECT_EQ(half.total, 100u);
    // A 30-frame second of time scale 3000: whole frames of the step.
    const Completion steps = completion(3000 * 4 + 50, 100, 25 * percent);
    EXPECT_EQ(steps.total, 120u);
    EXPECT_EQ(steps.part, 30u);
    EXPECT_EQ(completion(100, 1, 100 * percent).part, 100u);
    EXPECT_EQ(completion(7, 1, percent * 99 / 2).part, 3u) << "3.465 truncated";
}

TEST(AfterEffectsCompletion, OutOfRangeValuesStayWithinTheLayer) {
    EXPECT_EQ(completion(100, 1, -5 * percent).part, 0u);
    EXPECT_EQ(completion(100, 1, std::numeric_limits<std::int32_t>::max()).part, 100u);
    EXPECT_EQ(completion(100, 0, 50 * percent).total, 0u) << "no time step";
    EXPECT_EQ(completion(-100, 1, 50 * percent).total, 0u);
    EXPECT_EQ(completion(-100, 1, 50 * percent).part, 0u);
}

TEST(AfterEffectsLayers, DamagedLayersGiveNoPicture) {
    AeLayerPixels pixels(4, 3, 5);
    hostkit::AeLayer layer = pixels.layer();
    EXPECT_TRUE(layer_picture(layer).ok());
    hostkit::AeLayer no_pixels = layer;
    no_pixels.data = nullptr;
    EXPECT_FALSE(layer_picture(no_pixels).ok());
    hostkit::AeLayer short_rows = layer;
    short_rows.row_bytes = 12;
    EXPECT_FALSE(layer_picture(short_rows).ok());
    hostkit::AeLayer odd_rows = layer;
    odd_rows.row_bytes = 17;
    EXPECT_FALSE(layer_picture(odd_rows).ok());
    for (auto [width, height] : {std::pair{0, 3}, {4, -1}, {100000, 3}, {4, 1 << 30}}) {
        hostkit::AeLayer sized = layer;
        sized.width = width;
        sized.height = height;
        EXPECT_FALSE(layer_picture(sized).ok()) << width << " x " << height;
    }
}

TEST(AfterEffectsLayers, ACopyIsInTheEnginesOrderWithoutThePadding) {
    AeLayerPixels pixels(3, 2, 5, 0xEE);
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 3; ++x) {
            std::uint8_t* pixel = pixels.pixel(x, y);
            pixel[0] = static_cast<std::uint8_t>(200 + x);  // alpha
            pixel[1] = static_cast<std::uint8_t>(10 * x + y);
            pixel[2] = static_cast<std::uint8_t>(100 + y);
            pixel[3] = 7;
        }
    }
    const std::vector<std::uint8_t> before = pixels.bytes();
    Result<host::HostPicture> picture = layer_picture(pixels.layer());
    ASSERT_TRUE(picture.ok());
    EXPECT_EQ(picture->format, format_argb);
    EXPECT_EQ(picture->row_order, row_order_top_down);
    EXPECT_EQ(picture->row_length, 5u);
    const RgbaCopy copy(*picture);
    EXPECT_EQ(copy.picture().format, format_rgba);
    EXPECT_EQ(copy.picture().width, 3u);
    const auto* rgba = static_cast<const std::uint8_t*>(copy.picture().pixels);
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 3; ++x) {
            const std::uint8_t* pixel = rgba + (y * 3 + x) * 4;
            EXPECT_EQ(pixel[0], 10 * x + y);
            EXPECT_EQ(pixel[1], 100 + y);
            EXPECT_EQ(pixel[2], 7);
            EXPECT_EQ(pixel[3], 200 + x);
        }
    }
    EXPECT_EQ(pixels.bytes(), before);
}

// The stand-in for the selection dialog: it chooses `choose` and, when
// `engine` is set, names that engine as the dialog's options page does.
struct DialogSeen {
    int calls = 0;
    std::string name;
    std::string choose = "Globe";
    std::string engine;
    kdr::test::TestInstallation* installation = nullptr;
};
DialogSeen dialog;

std::int16_t select_stand_in(KdrOwnerWindow, EffectSettings* settings, std::int32_t filter) {
    ++dialog.calls;
    dialog.name = settings->name;
    EXPECT_EQ(filter, 0);
    std::memset(settings->name, 0, sizeof settings->name);
    std::strncpy(settings->name, dialog.choose.c_str(), sizeof settings->name - 1);
    if (!dialog.engine.empty()) {
        dialog.installation->set_string("Engine", dialog.engine);
    }
    return 0;
}

class AfterEffectsOptionsTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        dialog = DialogSeen{};
        dialog.installation = this;
        install_counting_engine("Rnd_Count");
    }
};

TEST_F(AfterEffectsOptionsTest, OptionsReadTheSequenceDataAndHandBackANewHandle) {
    AfterEffectsEffect effect({&select_stand_in, nullptr});
    SimAfterEffects host(AeLayerPixels(8, 6), 8, 6, 10);
    EXPECT_EQ(effect.call(hostkit::ae_command_options, &host.in(), &host.out(), nullptr, nullptr),
              0);
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(dialog.name, "") << "no sequence data: fresh settings";
    ASSERT_NE(host.out().sequence_data, nullptr);
    host.in().sequence_data = host.out().sequence_data;
    EXPECT_EQ(host.locked_handles(), 0);

    dialog.choose = "PageTurn";
    EXPECT_EQ(effect.call(hostkit::ae_command_options, &host.in(), &host.out(), nullptr, nullptr),
              0);
    EXPECT_EQ(dialog.name, "Globe") << "the dialog opens on the stored choice";
    host.in().sequence_data = host.out().sequence_data;
    EffectSettings stored;
    ASSERT_TRUE(settings_initialise(stored));
    const std::vector<std::uint8_t> bytes = host.stored();
    ASSERT_TRUE(settings_from_block(stored, bytes.data(), bytes.size()));
    EXPECT_STREQ(stored.name, "PageTurn");
    settings_destroy(stored);
    EXPECT_EQ(host.locked_handles(), 0);
}

TEST_F(AfterEffectsOptionsTest, ANewEngineFromTheDialogIsPreparedAtTheNextRender) {
    install_engine("Rnd_Other");
    AfterEffectsEffect effect({&select_stand_in, nullptr});
    SimAfterEffects host(AeLayerPixels(32, 24, 0, 0x40), 32, 24, 10);
    dialog.choose = "CubeTurn";
    ASSERT_EQ(effect.call(hostkit::ae_command_options, &host.in(), &host.out(), nullptr, nullptr),
              0);
    host.in().sequence_data = host.out().sequence_data;
    hostkit::AeLayer input = host.input().layer();
    hostkit::AeLayer output = host.output().layer();
    hostkit::AeParam input_param{};
    input_param.u.layer = input;
    hostkit::AeParam slider{};
    hostkit::AeParam* params[2] = {&input_param, &slider};
    ASSERT_EQ(effect.call(hostkit::ae_command_render, &host.in(), &host.out(), params, &output), 0);

    // The same settings, another engine.
    dialog.engine = "Rnd_Other";
    ASSERT_EQ(effect.call(hostkit::ae_command_options, &host.in(), &host.out(), nullptr, nullptr),
              0);
    host.in().sequence_data = host.out().sequence_data;
    ASSERT_EQ(effect.call(hostkit::ae_command_render, &host.in(), &host.out(), params, &output), 0);
    const std::vector<kdr::test::EngineEvent> prepares = engine_events("prepare");
    ASSERT_EQ(prepares.size(), 2u);
    EXPECT_EQ(prepares[0].library, "Rnd_Count");
    EXPECT_EQ(prepares[1].library, "Rnd_Other");
    EXPECT_EQ(prepares[1].name, "CubeTurn");
    const std::vector<kdr::test::EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[1].library, "Rnd_Other");
    EXPECT_EQ(engine_events("free").size(), 1u) << "the old engine's context was freed";
}

TEST_F(AfterEffectsOptionsTest, TwoHalvesAskTheHostAndAnAbortStopsBoth) {
    set_number("Rnd_Multi", 1);
    AfterEffectsEffect effect({&select_stand_in, nullptr});
    SimAfterEffects host(AeLayerPixels(64, 48, 0, 0x40), 64, 48, 10);
    hostkit::AeLayer output = host.output().layer();
    hostkit::AeParam input_param{};
    input_param.u.layer = host.input().layer();
    hostkit::AeParam slider{};
    slider.u.slider.value = 50 * percent;
    hostkit::AeParam* params[2] = {&input_param, &slider};
    ASSERT_EQ(effect.call(hostkit::ae_command_render, &host.in(), &host.out(), params, &output), 0);
    std::vector<kdr::test::EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[0].position, 5u);
    EXPECT_EQ(host.abort_tests(), 2) << "each half asks the host";

    host.abort_from(1, 77);
    EXPECT_EQ(effect.call(hostkit::ae_command_render, &host.in(), &host.out(), params, &output),
              77);
    EXPECT_EQ(engine_events("aborted").size(), 2u) << "both halves stop";
}

}  // namespace
}  // namespace kdr::aftereffects
