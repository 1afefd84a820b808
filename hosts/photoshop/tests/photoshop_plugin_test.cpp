// Kdr30.8bf loaded and called as Photoshop does, rendering through the
// counting engine: the selectors, what reaches the engine (the image's
// slot, part and total, image count), what is written back into the
// document's colour and mask planes, and what is left unchanged: an abort,
// no engine, an engine that cannot prepare, no advance state, a filter
// source outside the videos. And its property list and texts.

#include <gtest/gtest.h>

#include "kaleidra/hostkit/testing/property_list.h"
#include "kaleidra/plugin_resources/elf_section.h"
#include "photoshop_test_support.h"

namespace kdr::photoshop::test {
namespace {

using kdr::test::EngineEvent;

class PhotoshopPluginTest : public PhotoshopHostTest {
  protected:
    void SetUp() override {
        PhotoshopHostTest::SetUp();
        install_counting_engine("Rnd_Count");
    }

    // A document whose pixel (x, y) is red 10 + x, green 20 + y, blue 30.
    static void paint(SimPhotoshop& host, std::int32_t width, std::int32_t height) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                host.at(x, y, 0) = static_cast<std::uint8_t>(10 + x);
                host.at(x, y, 1) = static_cast<std::uint8_t>(20 + y);
                host.at(x, y, 2) = 30;
            }
        }
    }
};

TEST_F(PhotoshopPluginTest, TheHostsOtherSelectors) {
    load();
    SimPhotoshop host({4, 4});
    for (std::int16_t selector : {6, 7, -1, 300}) {
        EXPECT_EQ(host.call(entry(), selector), -30100) << selector;
    }
    host.record().max_space = 1000;
    EXPECT_EQ(host.call(entry(), hostkit::ps_selector_prepare), 0);
    EXPECT_EQ(host.record().buffer_space, 500);
    host.record().in_rect = {1, 2, 3, 4};
    host.record().out_rect = {1, 2, 3, 4};
    EXPECT_EQ(host.call(entry(), hostkit::ps_selector_continue), 0);
    EXPECT_EQ(host.record().in_rect.bottom, 0);
    EXPECT_EQ(host.record().out_rect.right, 0);
    EXPECT_EQ(host.call(entry(), hostkit::ps_selector_finish), 0);
    EXPECT_TRUE(engine_events("create").empty()) << "no engine outside a run";
}

TEST_F(PhotoshopPluginTest, TheImageBecomesTheSourceAndTheFrameIsWrittenBack) {
    load();
    SimPhotoshop host({3, 2});
    paint(host, 3, 2);
    give_settings(host, {"PageTurn", 10, 50, 0});
    EXPECT_EQ(host.run(entry()), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].images, 20u);
    EXPECT_EQ(renders[0].position, 5u);
    EXPECT_EQ(renders[0].name, "PageTurn");
    EXPECT_EQ(renders[0].a, 10) << "the top left pixel's red";
    EXPECT_EQ(renders[0].b, -1);
    // The counting engine's pattern at part 5, red 3x + 5y + 35, green y,
    // blue x + 5, read from the frame's top row down.
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(host.at(x, y, 0), 3 * x + 5 * y + 35) << x << ", " << y;
            EXPECT_EQ(host.at(x, y, 1), y) << x << ", " << y;
            EXPECT_EQ(host.at(x, y, 2), x + 5) << x << ", " << y;
        }
    }
    // Engines are loaded for the run only.
    EXPECT_EQ(engine_events("free").size(), 1u);
    EXPECT_EQ(engine_events("unload").size(), 1u);
    EXPECT_FALSE(host.progress().empty());
}

TEST_F(PhotoshopPluginTest, TheFilterSourceAndCompletionChooseSlotAndPart) {
    load();
    SimPhotoshop host({5, 4});
    paint(host, 5, 4);
    give_settings(host, {"CubeTurn", 30, 100, 1});
    EXPECT_EQ(host.run(entry()), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].a, -1) << "video 1 is empty";
    EXPECT_EQ(renders[0].b, 10) << "the image is video 2";
    EXPECT_EQ(renders[0].position, 30u) << "part 30 of 30";
}

TEST_F(PhotoshopPluginTest, OnlyTheFilterRectangleChangesAndMasksGetTheirValues) {
    load();
    SimPhotoshop host({8, 6, 1, 1, 1});
    paint(host, 8, 6);
    host.fill_masks(0x80);
    host.set_filter_rect(2, 1, 6, 4);
    give_settings(host, {"PageTurn", 10, 20, 0});
    const std::vector<std::uint8_t> before = host.document();
    EXPECT_EQ(host.run(entry()), 0);
    for (std::int32_t y = 0; y < 6; ++y) {
        for (std::int32_t x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
            if (!inside) {
                for (int plane = 0; plane < host.planes(); ++plane) {
                    EXPECT_EQ(host.at(x, y, plane), before[(y * 8 + x) * 6 + plane])
                        << x << ", " << y << " plane " << plane;
                }
                continue;
            }
            const int fx = x - 2;
            const int fy = y - 1;
            EXPECT_EQ(host.at(x, y, 0), 3 * fx + 5 * fy + 14) << x << ", " << y;
            EXPECT_EQ(host.at(x, y, 2), fx + 2) << x << ", " << y;
            EXPECT_EQ(host.at(x, y, 3), 1) << "transparency: the frame's alpha (context 1)";
            EXPECT_EQ(host.at(x, y, 4), 0) << "layer mask";
            EXPECT_EQ(host.at(x, y, 5), 255) << "inverted layer mask";
        }
    }
}

TEST_F(PhotoshopPluginTest, AnAbortLeavesTheImageAndReturnsMinus128) {
    load();
    SimPhotoshop host({6, 4});
    paint(host, 6, 4);
    give_settings(host, {});
    host.abort_from(1);
    const std::vector<std::uint8_t> before = host.document();
    EXPECT_EQ(host.run(entry()), -128);
    EXPECT_EQ(host.document(), before);
    EXPECT_EQ(engine_events("aborted").size(), 1u);
    EXPECT_EQ(host.advances(), 4) << "the rows were read, none written";
}

TEST_F(PhotoshopPluginTest, WithoutAnEngineTheImageStaysAndTheUserIsTold) {
    set_string("Engine", "Rnd_Missing");
    load();
    SimPhotoshop host({6, 4});
    paint(host, 6, 4);
    give_settings(host, {});
    const std::vector<std::uint8_t> before = host.document();
    EXPECT_EQ(host.run(entry()), 1);
    EXPECT_EQ(host.document(), before) << "not turned black";
    const std::string log = messages();
    EXPECT_EQ(log.rfind("error\tKaleidra 3.0\t", 0), 0u) << log;
    EXPECT_NE(log.find("Rnd_Missing"), std::string::npos) << log;
}

TEST_F(PhotoshopPluginTest, AnEngineThatCannotPrepareLeavesTheImage) {
    install_engine("Rnd_Partial", kdr::test::partial_engine_file());
    set_string("Engine", "Rnd_Partial");
    load();
    SimPhotoshop host({6, 4});
    paint(host, 6, 4);
    give_settings(host, {});
    const std::vector<std::uint8_t> before = host.document();
    EXPECT_EQ(host.run(entry()), 1);
    EXPECT_EQ(host.document(), before);
    EXPECT_NE(messages().find("Rnd_Partial"), std::string::npos) << messages();
}

TEST_F(PhotoshopPluginTest, WithoutAdvanceStateTheFilterWarnsAndStops) {
    load();
    SimPhotoshop host({6, 4});
    give_settings(host, {});
    host.remove_advance_state();
    EXPECT_EQ(host.run(entry()), 1);
    EXPECT_EQ(messages(),
              "warning\t\tThis plug-in requires Adobe Photoshop\u00ae 3.0 or later "
              "functionality.\n");
    EXPECT_TRUE(engine_events("create").empty());
}

TEST_F(PhotoshopPluginTest, AFilterSourceOutsideTheVideosIsRefused) {
    load();
    for (float source : {20.0f, -1.0f, 1.5f, std::numeric_limits<float>::quiet_NaN(), 1e30f}) {
        SimPhotoshop host({6, 4});
        paint(host, 6, 4);
        give_settings(host, {"PageTurn", 10, 50, source});
        const std::vector<std::uint8_t> before = host.document();
        EXPECT_EQ(host.run(entry()), 1) << source;
        EXPECT_EQ(host.document(), before) << source;
    }
    EXPECT_TRUE(engine_events("render").empty());
    EXPECT_NE(messages().find("filter source"), std::string::npos) << messages();
}

TEST_F(PhotoshopPluginTest, AFailingAdvanceStopsTheCopyAndTheRenderGoesOn) {
    load();
    SimPhotoshop host({6, 4});
    paint(host, 6, 4);
    give_settings(host, {});
    host.fail_advance_from(3, -108);
    const std::vector<std::uint8_t> before = host.document();
    EXPECT_EQ(host.run(entry()), 0);
    EXPECT_EQ(engine_events("render").size(), 1u);
    EXPECT_EQ(host.document(), before) << "no row could be written";
}

TEST_F(PhotoshopPluginTest, ThePropertyListAndTextsAreTheFilters) {
    auto resources = plugin_resources::read_library_resources(KDR_KDR30_8BF);
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
    EXPECT_EQ(keys, "kind name catg vers wx86 mode fici ");
    ASSERT_EQ(properties->size(), 7u);
    const auto& p = *properties;
    EXPECT_EQ(std::string(p[0].data.begin(), p[0].data.end()), "8BFM");
    EXPECT_EQ(p[1].pascal_text(), "Kaleidra 3.0...");
    EXPECT_EQ(p[2].pascal_text(), "Render");
    EXPECT_EQ(p[3].number(), 0x00040000u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p[4].data.data())), "ENTRYPOINT");
    EXPECT_EQ(p[5].number(), 0x10u);
    const std::vector<std::uint8_t> fici = {1, 1, 1, 0, 1, 1, 9, 0, 1, 1, 9, 0, 4, 1,
                                            1, 0, 1, 1, 9, 0, 1, 1, 1, 0, 1, 1, 9, 0};
    EXPECT_EQ(p[6].data, fici);
    const struct {
        std::int32_t id;
        const char* text;
    } strings[] = {
        {16001, "Kaleidra 3.0"},
        {16990, "An integer is required between ^1 and ^2."},
        {16991, "A decimal number is required between ^1 and ^2."},
        {16992, "This plug-in requires Adobe Photoshop\u00ae ^1 or later functionality."},
        {16993, "This plug-in is incompatible with this version of the host program."},
    };
    for (const auto& expected : strings) {
        const plugin_resources::PluginResource* text =
            plugin_resources::find_resource(*resources, "STRING", expected.id);
        ASSERT_NE(text, nullptr) << expected.id;
        EXPECT_EQ(std::string(text->data.begin(), text->data.end()), expected.text);
    }
}

}  // namespace
}  // namespace kdr::photoshop::test
