// Kdr30.aex loaded and called as After Effects does, rendering through the
// counting engine: the commands' declarations, the parameters, what
// reaches the engine (part and total, the source layers and their gaps,
// the pixel order), what the output buffer and the input layer hold
// afterwards, abort, progress and multi-rendering; and its property list.

#include <gtest/gtest.h>

#include "aftereffects_test_support.h"
#include "kaleidra/hostkit/testing/property_list.h"
#include "kaleidra/plugin_resources/elf_section.h"

namespace kdr::aftereffects::test {
namespace {

using kdr::test::EngineEvent;

// An input layer of one colour: alpha, red, green, blue.
AeLayerPixels plain_layer(std::int32_t width, std::int32_t height, std::uint8_t alpha,
                          std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                          std::int32_t row_pixels = 0) {
    AeLayerPixels pixels(width, height, row_pixels, 0x5E);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t* pixel = pixels.pixel(x, y);
            pixel[0] = alpha;
            pixel[1] = red;
            pixel[2] = green;
            pixel[3] = blue;
        }
    }
    return pixels;
}

class AfterEffectsPluginTest : public AfterEffectsHostTest {
  protected:
    void SetUp() override {
        AfterEffectsHostTest::SetUp();
        install_counting_engine("Rnd_Count");
    }
};

TEST_F(AfterEffectsPluginTest, SetupCommandsDeclareTheEffect) {
    load();
    SimAfterEffects host(plain_layer(4, 4, 255, 1, 2, 3), 4, 4, 10);
    host.out().out_flags = 0x10000;
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_global_setup), 0);
    EXPECT_EQ(host.out().my_version, 0x00183600u);
    EXPECT_EQ(host.out().out_flags, 0x10000 | 0x8A5) << "the bits are added to the host's";
    host.out().out_flags = 0;
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_sequence_setup), 0);
    EXPECT_EQ(host.out().out_flags, 0x80);
    for (std::int32_t other : {2, 3, 6, 7, 8, 10, 12, 40, -1}) {
        EXPECT_EQ(host.command(entry(), other), 0) << other;
    }
    EXPECT_TRUE(engine_events("render").empty());
    EXPECT_EQ(host.checkouts(), 0);
}

TEST_F(AfterEffectsPluginTest, ParameterSetupAddsTheSliderAndNineteenLayers) {
    load();
    SimAfterEffects host(plain_layer(4, 4, 255, 1, 2, 3), 4, 4, 10);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_params_setup), 0);
    EXPECT_EQ(host.out().num_params, 21);
    ASSERT_EQ(host.added().size(), 20u);
    const hostkit::AeParam& slider = host.added()[0];
    EXPECT_EQ(slider.param_type, hostkit::ae_param_fixed_slider);
    EXPECT_STREQ(slider.name, "Transition Completion");
    EXPECT_EQ(slider.u.slider.valid_min, 0);
    EXPECT_EQ(slider.u.slider.valid_max, 100 << 16);
    EXPECT_EQ(slider.u.slider.slider_min, 0);
    EXPECT_EQ(slider.u.slider.slider_max, 100 << 16);
    EXPECT_EQ(slider.u.slider.default_value, 0);
    EXPECT_EQ(slider.u.slider.precision, 2);
    EXPECT_EQ(slider.u.slider.display_flags, 0);
    EXPECT_STREQ(slider.u.slider.value_str, "ValueStr");
    EXPECT_STREQ(slider.u.slider.value_desc, "Desc");
    for (std::size_t i = 1; i < host.added().size(); ++i) {
        EXPECT_EQ(host.added()[i].param_type, hostkit::ae_param_layer);
        EXPECT_EQ(std::string(host.added()[i].name), "Source " + std::to_string(i + 1) + " Layer");
    }
}

TEST_F(AfterEffectsPluginTest, AFailingAddEndsParameterSetupWithItsError) {
    load();
    SimAfterEffects host(plain_layer(4, 4, 255, 1, 2, 3), 4, 4, 10);
    host.fail_add(5, -17);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_params_setup), -17);
    EXPECT_EQ(host.added().size(), 4u) << "nothing is added after the failing one";
    EXPECT_EQ(host.out().num_params, 0);
}

TEST_F(AfterEffectsPluginTest, HalfOfAHundredFrameLayerRendersPartFifty) {
    load();
    SimAfterEffects host(plain_layer(8, 6, 255, 10, 20, 30), 8, 6, 100);
    host.set_completion(50);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    host.set_completion(100);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    host.set_completion(33.3);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 3u);
    EXPECT_EQ(renders[0].position, 50u);
    EXPECT_EQ(renders[1].position, 100u);
    EXPECT_EQ(renders[2].position, 33u) << "truncated";
    EXPECT_EQ(renders[0].images, 1u) << "no source layers: source A alone";
    EXPECT_EQ(renders[0].a, 10) << "source A reaches the engine red first";
}

TEST_F(AfterEffectsPluginTest, SourceLayersKeepTheirSlotsAndGapsStayEmpty) {
    load();
    SimAfterEffects host(plain_layer(8, 6, 255, 10, 20, 30), 8, 6, 100);
    host.set_source(2, plain_layer(8, 6, 200, 77, 88, 99, 11));
    host.set_source(4, plain_layer(5, 3, 255, 44, 55, 66));
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].images, 4u);
    EXPECT_EQ(renders[0].a, 10);
    EXPECT_EQ(renders[0].b, 77) << "layer 2 is source B, red first";
    EXPECT_EQ(host.checkouts(), 19) << "every layer parameter is checked out";
    EXPECT_EQ(host.checkins(), 19) << "and checked in";
}

TEST_F(AfterEffectsPluginTest, TheOutputIsDrawnInTheHostsOrderAndTheInputStaysAsItWas) {
    load();
    const AeLayerPixels input = plain_layer(16, 12, 128, 10, 20, 30, 19);
    SimAfterEffects host(input, 16, 12, 10);
    host.set_completion(30);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    EXPECT_EQ(host.input().bytes(), input.bytes()) << "the input layer, padding included";
    // The counting engine writes its pattern bytes in memory order, whatever
    // the format: x + 3, y, 3x + 5y + 21, the context's number; row y of the
    // picture is the host's row y (top first).
    for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {7, 5}, {15, 11}}) {
        const std::uint8_t* pixel = host.output().pixel(x, y);
        EXPECT_EQ(pixel[0], static_cast<std::uint8_t>(x + 3)) << x << ", " << y;
        EXPECT_EQ(pixel[1], static_cast<std::uint8_t>(y)) << x << ", " << y;
        EXPECT_EQ(pixel[2], static_cast<std::uint8_t>(x * 3 + y * 5 + 21)) << x << ", " << y;
        EXPECT_NE(pixel[3], 0xC4) << x << ", " << y;
    }
    // The output rows' padding is the host's.
    EXPECT_EQ(host.output().pixel(16, 4)[0], 0xC4);
}

TEST_F(AfterEffectsPluginTest, AnAbortFromTheHostBecomesTheResult) {
    load();
    SimAfterEffects host(plain_layer(8, 6, 255, 10, 20, 30), 8, 6, 10);
    host.abort_from(1, 1234);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 1234);
    EXPECT_EQ(engine_events("aborted").size(), 1u);
    EXPECT_EQ(host.output().pixel(3, 3)[1], 0xC4) << "nothing drawn";
    // The next render starts afresh.
    host.abort_from(0, 0);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    EXPECT_EQ(engine_events("render").size(), 2u);
    EXPECT_FALSE(host.progress().empty());
    EXPECT_EQ(host.progress().back(), 100) << "progress goes to the host out of 100";
}

TEST_F(AfterEffectsPluginTest, ALayerTheHostDoesNotHandOutIsLeftOutAndItsErrorReturned) {
    load();
    SimAfterEffects host(plain_layer(8, 6, 255, 10, 20, 30), 8, 6, 10);
    host.set_source(2, plain_layer(8, 6, 255, 77, 88, 99));
    host.set_source(3, plain_layer(8, 6, 255, 1, 1, 1));
    host.fail_checkout(3, 9);
    host.fail_checkout(20, 6);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 6)
        << "the result of the last check-out";
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].images, 2u);
    EXPECT_EQ(host.checkins(), 17) << "what was not checked out is not checked in";
}

TEST_F(AfterEffectsPluginTest, StoredSettingsRenderAndSmallOrBrokenRecordsDoNot) {
    load();
    SimAfterEffects host(plain_layer(8, 6, 255, 10, 20, 30), 8, 6, 10);
    host.store(stored_settings("CubeTurn"));
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].name, "CubeTurn");
    EXPECT_EQ(renders[0].quiet, 1u) << "8 x 6 is a small frame";
    EXPECT_EQ(host.locked_handles(), 0);

    // A layer of absurd size, or one without pixels, renders nothing.
    SimAfterEffects broken(AeLayerPixels(), 8, 6, 10);
    EXPECT_EQ(broken.command(entry(), hostkit::ae_command_render), 0);
    EXPECT_EQ(engine_events("render").size(), 1u);
    EXPECT_EQ(entry()(hostkit::ae_command_render, nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_F(AfterEffectsPluginTest, MultiRenderingDrawsTwoHalvesOnTwoThreads) {
    set_number("Rnd_Multi", 1);
    load();
    SimAfterEffects host(plain_layer(192, 144, 255, 10, 20, 30), 192, 144, 10);
    host.set_source(2, plain_layer(192, 144, 255, 77, 88, 99));
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_NE(renders[0].thread, renders[1].thread);
    EXPECT_EQ((renders[0].flags | renders[1].flags) & 0xC00u, 0xC00u);
    for (const EngineEvent& render : renders) {
        EXPECT_EQ(render.images, 2u);
        EXPECT_EQ(render.b, 77);
    }
    EXPECT_EQ(host.output().pixel(5, 10)[1], 10) << "upper half drawn";
    EXPECT_EQ(host.output().pixel(5, 130)[1], 130) << "lower half drawn";
}

TEST_F(AfterEffectsPluginTest, WithoutMultiRenderingTheHostsThreadDraws) {
    load();
    SimAfterEffects host(plain_layer(32, 24, 255, 10, 20, 30), 32, 24, 10);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    EXPECT_EQ(host.command(entry(), hostkit::ae_command_render), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[0].thread, kdr::test::current_thread_id());
    EXPECT_EQ(engine_events("prepare").size(), 1u) << "the same frame prepares once";
}

TEST_F(AfterEffectsPluginTest, ThePropertyListDeclaresTheEffectInOrder) {
    auto resources = plugin_resources::read_library_resources(KDR_KDR30_AEX);
    ASSERT_TRUE(resources.ok()) << resources.error();
    const plugin_resources::PluginResource* pipl =
        plugin_resources::find_resource(*resources, "PiPL", 16000);
    ASSERT_NE(pipl, nullptr);
    auto properties = hostkit::test::read_property_list(pipl->data);
    ASSERT_TRUE(properties.ok()) << properties.error();
    std::string keys;
    for (const hostkit::test::Property& property : *properties) {
        EXPECT_EQ(property.vendor, "8BIM");
        keys += property.key + " ";
    }
    EXPECT_EQ(keys, "kind name catg wx86 ePVR eSVR eVER eINF eGLO eMNA aeFL ");
    ASSERT_EQ(properties->size(), 11u);
    const auto& p = *properties;
    EXPECT_EQ(std::string(p[0].data.begin(), p[0].data.end()), "eFKT");
    EXPECT_EQ(p[1].pascal_text(), "Kaleidra 3.0");
    EXPECT_EQ(p[2].pascal_text(), "3D Transitions and Effects.");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p[3].data.data())), "main");
    EXPECT_EQ(p[4].number(), 2u);
    EXPECT_EQ(p[5].number(), 11u);
    EXPECT_EQ(p[6].number(), 0x00183600u);
    EXPECT_EQ(p[7].data.size(), 2u);
    EXPECT_EQ(p[7].number(), 0u);
    EXPECT_EQ(p[8].number(), 0x8A5u);
    EXPECT_EQ(p[9].pascal_text(), "Kaleidra 3.0");
    EXPECT_EQ(p[10].number(), 0u);
}

}  // namespace
}  // namespace kdr::aftereffects::test
