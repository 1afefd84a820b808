// Fx-Kdr30 loaded and called as Premiere does, rendering through the
// counting engine: what reaches the engine for whole frames, fields,
// thumbnails and multi-rendering, what the destination gets, and what a
// damaged record gets (nothing).

#include <gtest/gtest.h>

#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"
#include "premiere_test_support.h"

namespace kdr::premiere::test {
namespace {

using kdr::test::EngineEvent;

class PremierePluginTest : public PremiereHostTest {
  protected:
    void SetUp() override {
        PremiereHostTest::SetUp();
        install_counting_engine("Rnd_Count");
    }

    // The counting engine's pattern at (x, y) of a frame at `position`.
    static void expect_pattern(const HostPixels& pixels, std::int32_t x, std::int32_t y,
                               std::uint32_t position) {
        const std::uint8_t* pixel = pixels.pixel(x, y);
        EXPECT_EQ(pixel[0], static_cast<std::uint8_t>(x + position)) << x << ", " << y;
        EXPECT_EQ(pixel[1], static_cast<std::uint8_t>(y)) << x << ", " << y;
        EXPECT_EQ(pixel[2], static_cast<std::uint8_t>(x * 3 + y * 5 + position * 7))
            << x << ", " << y;
    }

    void write_work_picture(const char* name) {
        OwnedImage picture;
        ASSERT_TRUE(
            image_set_shape(picture.record(), {format_bgra, 4, 1, row_order_bottom_up, 8, 6}));
        ASSERT_TRUE(image_allocate(picture.record()));
        ASSERT_TRUE(write_image_file(picture.record(), work() / name));
    }
};

TEST_F(PremierePluginTest, AnyOtherSelectorShowsTheMessageAndReturnsZero) {
    load();
    TransitionCall frame(160, 120, 3, 10);
    for (std::int16_t selector : {2, -1, 300}) {
        EXPECT_EQ(call(selector, frame.effect), 0) << selector;
    }
    const std::string line = "error\tKaleidra Plugin Error\tInvalid function from Premiere\n";
    EXPECT_EQ(messages(), line + line + line);
    EXPECT_TRUE(engine_events("render").empty());
}

TEST_F(PremierePluginTest, AFrameIsRenderedIntoTheDestinationWithOpaqueSources) {
    load();
    TransitionCall frame(192, 144, 3, 10);
    EXPECT_EQ(call(hostkit::premiere_effect_render, frame.effect), 0);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].position, 3u);
    EXPECT_EQ(renders[0].flags, 0u);
    EXPECT_EQ(renders[0].images, 2u);
    EXPECT_EQ(renders[0].quiet, 0u);
    EXPECT_EQ(renders[0].a, 0x11);
    EXPECT_EQ(renders[0].b, 0x99);
    for (auto [x, y] : {std::pair{0, 0}, {191, 0}, {100, 77}, {191, 143}}) {
        expect_pattern(frame.destination.pixels(), x, y, 3);
    }
    // The sources' alpha bytes, and only those, are now 255.
    for (SimPixelMap* source : {&frame.a, &frame.b}) {
        const std::uint8_t fill = source == &frame.a ? 0x11 : 0x99;
        EXPECT_EQ(source->pixels().pixel(5, 5)[3], 255);
        EXPECT_EQ(source->pixels().pixel(5, 5)[2], fill);
        // The row padding beyond the picture is the host's.
        EXPECT_EQ(source->pixels().pixel(191, 7)[4], fill);
    }
    // Small frames log nothing; this one is not small.
    EXPECT_EQ(engine_events("prepare").size(), 1u);
}

TEST_F(PremierePluginTest, SmallFramesAreQuiet) {
    load();
    TransitionCall small(159, 119, 1, 10);
    call(hostkit::premiere_effect_render, small.effect);
    TransitionCall wide(160, 100, 1, 10);
    call(hostkit::premiere_effect_render, wide.effect);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[0].quiet, 1u);
    EXPECT_EQ(renders[1].quiet, 0u);
}

struct ThumbnailCase {
    std::int32_t width;
    std::int32_t height;
    bool multi;
};

class PremiereThumbnail : public PremierePluginTest,
                          public ::testing::WithParamInterface<ThumbnailCase> {};

TEST_P(PremiereThumbnail, CopiesTheEndsAndDrawsTheMiddleOnOneThread) {
    const ThumbnailCase& c = GetParam();
    set_number("Rnd_Multi", c.multi ? 1 : 0);
    load();
    TransitionCall first(c.width, c.height, 0, 10);
    call(hostkit::premiere_effect_render, first.effect);
    TransitionCall last(c.width, c.height, 10, 10);
    call(hostkit::premiere_effect_render, last.effect);
    EXPECT_TRUE(engine_events("render").empty()) << "the ends need no engine";
    for (std::int32_t y = 0; y < c.height; ++y) {
        for (std::int32_t x = 0; x < c.width; ++x) {
            ASSERT_EQ(std::memcmp(first.destination.pixels().pixel(x, y),
                                  first.a.pixels().pixel(x, y), 4),
                      0)
                << "part 0 shows source A at " << x << ", " << y;
            ASSERT_EQ(
                std::memcmp(last.destination.pixels().pixel(x, y), last.b.pixels().pixel(x, y), 4),
                0)
                << "part = total shows source B at " << x << ", " << y;
        }
        // The destination's row padding stays the host's.
        ASSERT_EQ(first.destination.pixels().pixel(c.width - 1, y)[4], 0xEE);
    }
    EXPECT_EQ(first.destination.pixels().pixel(0, 0)[3], 255);

    TransitionCall middle(c.width, c.height, 4, 10);
    call(hostkit::premiere_effect_render, middle.effect);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 1u) << "one thread, also with multi-rendering";
    EXPECT_EQ(renders[0].quiet, 1u);
    EXPECT_EQ(renders[0].flags & 0xC00u, 0u) << "no row halves";
    expect_pattern(middle.destination.pixels(), c.width - 1, c.height - 1, 4);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PremiereThumbnail,
                         ::testing::Values(ThumbnailCase{32, 32, false},
                                           ThumbnailCase{118, 88, false},
                                           ThumbnailCase{32, 32, true},
                                           ThumbnailCase{118, 88, true}));

struct FieldCase {
    std::uint16_t order;
    std::uint32_t even_flags;
    std::uint32_t odd_flags;
};

class PremiereFields : public PremierePluginTest,
                       public ::testing::WithParamInterface<FieldCase> {};

TEST_P(PremiereFields, TheFieldBitFollowsTheOrderAndTheParityOfThePart) {
    const FieldCase& c = GetParam();
    load();
    for (std::int32_t part : {0, 1, 6, 7}) {
        TransitionCall field(192, 72, part, 20);
        field.effect.record().field_bits = c.order;
        call(hostkit::premiere_effect_render, field.effect);
    }
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(renders[i].flags, i % 2 == 0 ? c.even_flags : c.odd_flags) << "call " << i;
    }
    EXPECT_EQ(renders[2].position, 6u);
}

INSTANTIATE_TEST_SUITE_P(Orders, PremiereFields,
                         ::testing::Values(FieldCase{0x200, 0x2100, 0x4100},
                                           FieldCase{0x100, 0x4100, 0x2100},
                                           FieldCase{0x300, 0x2100, 0x4100}));

TEST_F(PremierePluginTest, UnderMultiRenderingTheEvenFieldWaitsForTheOdd) {
    set_number("Rnd_Multi", 1);
    load();
    TransitionCall even(192, 72, 4, 20);
    even.effect.record().field_bits = 0x200;
    call(hostkit::premiere_effect_render, even.effect);
    EXPECT_TRUE(engine_events("render").empty()) << "the even field waits for its partner";

    TransitionCall odd(192, 72, 5, 20);
    odd.effect.record().field_bits = 0x200;
    call(hostkit::premiere_effect_render, odd.effect);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    std::uint32_t flags[2] = {renders[0].flags, renders[1].flags};
    std::sort(std::begin(flags), std::end(flags));
    EXPECT_EQ(flags[0], 0x2100u);
    EXPECT_EQ(flags[1], 0x4100u);
    EXPECT_NE(renders[0].thread, renders[1].thread) << "both fields at once";
    EXPECT_NE(renders[0].context, renders[1].context);
    // Each field went to its own destination.
    expect_pattern(even.destination.pixels(), 10, 10, 4);
    expect_pattern(odd.destination.pixels(), 10, 10, 5);
}

TEST_F(PremierePluginTest, MultiRenderingHalvesEqualAOneThreadRender) {
    load();
    TransitionCall whole(192, 145, 3, 10);
    call(hostkit::premiere_effect_render, whole.effect);
    unload();
    clear_engine_events();

    set_number("Rnd_Multi", 1);
    load();
    TransitionCall halves(192, 145, 3, 10);
    call(hostkit::premiere_effect_render, halves.effect);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_NE(renders[0].thread, renders[1].thread);
    // The halves come from two contexts (the alpha byte says which); the
    // colours are those of the one-thread render.
    kdr::test::Picture one = whole.destination.pixels().to_picture();
    kdr::test::Picture two = halves.destination.pixels().to_picture();
    EXPECT_TRUE(kdr::test::pictures_match(one, two, "premiere-halves", {0, 0}));
    EXPECT_NE(halves.destination.pixels().pixel(0, 0)[3],
              halves.destination.pixels().pixel(0, 144)[3]);
}

TEST_F(PremierePluginTest, ATransitionNeverSetUpRendersWithThePreviousSettings) {
    load();
    TransitionCall fresh(160, 120, 2, 10);
    call(hostkit::premiere_effect_render, fresh.effect);
    TransitionCall stored(160, 120, 3, 10);
    stored.effect.store(stored_settings("PageTurn"));
    call(hostkit::premiere_effect_render, stored.effect);
    TransitionCall never_set_up(160, 120, 4, 10);
    call(hostkit::premiere_effect_render, never_set_up.effect);

    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 3u);
    EXPECT_EQ(renders[0].name, "-") << "the first time: the all-zero record";
    EXPECT_EQ(renders[1].name, "PageTurn");
    EXPECT_EQ(renders[2].name, "PageTurn") << "the previous call's settings";
    EXPECT_EQ(engine_events("prepare").size(), 2u) << "nothing changed for the third";

    // Stored bytes that are no settings block leave them too.
    TransitionCall damaged(160, 120, 5, 10);
    damaged.effect.store({0x10, 0, 0, 0, 'J', 'U', 'N', 'K', 1, 2, 3, 4, 5, 6, 7, 8});
    call(hostkit::premiere_effect_render, damaged.effect);
    EXPECT_EQ(engine_events("render").back().name, "PageTurn");
}

TEST_F(PremierePluginTest, WorkFolderPicturesAreNamedByThePartsParity) {
    write_work_picture("V030.IMG");
    write_work_picture("V040.IMG");
    write_work_picture("V031.IMG");
    write_work_picture("V051.IMG");  // after a gap: not used
    load();
    TransitionCall whole(192, 144, 3, 10);
    call(hostkit::premiere_effect_render, whole.effect);
    TransitionCall odd(192, 72, 3, 20);
    odd.effect.record().field_bits = 0x100;
    call(hostkit::premiere_effect_render, odd.effect);
    TransitionCall even(192, 72, 4, 20);
    even.effect.record().field_bits = 0x100;
    call(hostkit::premiere_effect_render, even.effect);
    const std::vector<EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 3u);
    EXPECT_EQ(renders[0].images, 4u) << "whole frames read digit 0: V030 and V040";
    EXPECT_EQ(renders[1].images, 3u) << "an odd part reads digit 1: V031";
    EXPECT_EQ(renders[2].images, 4u) << "an even part reads digit 0";
}

struct DamagedCase {
    const char* what;
    void (*damage)(TransitionCall&);
};

class PremiereDamagedRecord : public PremierePluginTest,
                              public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(PremiereDamagedRecord, RendersNothingAndLeavesTheDestination) {
    load();
    TransitionCall frame(160, 120, 3, 10);
    GetParam().damage(frame);
    EXPECT_EQ(call(hostkit::premiere_effect_render, frame.effect), 0);
    EXPECT_TRUE(engine_events("render").empty()) << GetParam().what;
    const std::vector<std::uint8_t> untouched(frame.destination.pixels().bytes().size(), 0xEE);
    EXPECT_EQ(frame.destination.pixels().bytes(), untouched) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Records, PremiereDamagedRecord,
    ::testing::Values(
        DamagedCase{"no source A", [](TransitionCall& c) { c.effect.record().source_a = nullptr; }},
        DamagedCase{"no source B", [](TransitionCall& c) { c.effect.record().source_b = nullptr; }},
        DamagedCase{"no pixel map behind B", [](TransitionCall& c) { *c.b.handle() = nullptr; }},
        DamagedCase{"no pixels in A", [](TransitionCall& c) { c.a.map().pixels = nullptr; }},
        DamagedCase{"a destination smaller than A",
                    [](TransitionCall& c) { c.destination.map().bottom = 100; }},
        DamagedCase{"B narrower than A", [](TransitionCall& c) { c.b.map().right = 150; }},
        DamagedCase{"rows of A too short for its width",
                    [](TransitionCall& c) { c.a.map().row_bytes = 600; }},
        DamagedCase{"bounds turned round",
                    [](TransitionCall& c) {
                        c.a.map().left = 160;
                        c.a.map().right = 0;
                    }},
        DamagedCase{"an absurd size", [](TransitionCall& c) { c.a.map().bottom = 1 << 30; }}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name) {
            ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

TEST_F(PremierePluginTest, ANullRecordIsIgnored) {
    load();
    SimEffect empty;
    EXPECT_EQ(call(hostkit::premiere_effect_render, empty), 0);
    EXPECT_TRUE(engine_events("render").empty());
}

TEST_F(PremierePluginTest, DetachFreesEveryContextBeforeTheEngineGoes) {
    set_number("Rnd_Multi", 1);
    load();
    TransitionCall frame(192, 144, 3, 10);
    call(hostkit::premiere_effect_render, frame.effect);
    ASSERT_EQ(engine_events("prepare").size(), 2u);
    unload();
    const std::vector<EngineEvent> events = engine_events();
    std::vector<int> freed;
    bool unloaded = false;
    for (const EngineEvent& event : events) {
        if (event.event == "free") {
            EXPECT_FALSE(unloaded) << "a context freed after its engine was unloaded";
            freed.push_back(event.context);
        } else if (event.event == "unload") {
            unloaded = true;
        }
    }
    EXPECT_EQ(freed.size(), 2u);
    EXPECT_TRUE(unloaded);
}

}  // namespace
}  // namespace kdr::premiere::test
