#include "kaleidra/editor/window/timeline_geometry.h"

#include <gtest/gtest.h>

namespace kdr::editor::window {
namespace {

struct TimeCodeCase {
    std::int64_t frame;
    std::int32_t rate;
    const char* code;
};

class TimeCodes : public ::testing::TestWithParam<TimeCodeCase> {};

TEST_P(TimeCodes, CountMinutesSecondsAndFrames) {
    EXPECT_EQ(time_code(GetParam().frame, GetParam().rate), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Cases, TimeCodes,
                         ::testing::Values(TimeCodeCase{1800, 30, "01:00:00"},
                                           TimeCodeCase{59, 30, "00:01:29"},
                                           TimeCodeCase{1525, 25, "01:01:00"},
                                           TimeCodeCase{0, 25, "00:00:00"},
                                           TimeCodeCase{24, 25, "00:00:24"},
                                           // 100 minutes still count as minutes.
                                           TimeCodeCase{180000, 30, "100:00:00"},
                                           // A broken rate counts as 1.
                                           TimeCodeCase{61, 0, "01:01:00"}));

TEST(ClientLayout, PlacesTheAreasFromTheClientSize) {
    const ClientLayout layout = client_layout(800, 600);
    EXPECT_EQ(layout.track.left, 52);
    EXPECT_EQ(layout.track.top, 37);
    EXPECT_EQ(layout.track.right, 793);
    EXPECT_EQ(layout.track.bottom, 518);
    EXPECT_EQ(layout.labels.left, 7);
    EXPECT_EQ(layout.labels.right, 43);
    EXPECT_EQ(layout.ruler.top, 7);
    EXPECT_EQ(layout.ruler.bottom, 23);
    EXPECT_EQ(layout.scroll.left, 50);
    EXPECT_EQ(layout.scroll.top, 523);
    EXPECT_EQ(layout.scroll.width(), layout.track.width());
    EXPECT_EQ(layout.scroll.height(), 20);
}

// A project shown in a 300 x 100 track area: 3 rows of 33.33 pixels, 30
// frames at 10 pixels each.
class Geometry : public ::testing::Test {
  protected:
    void SetUp() override {
        project.clear(default_output_settings(), "Untitled.KDP");
        project.zoom = 1;  // 30 frames at rate 30
    }
    void view() {
        project.recompute();
        project.recompute_view(area);
    }
    TimelineItem& add(ItemKind kind, std::int32_t track, std::int32_t start, std::int32_t length) {
        auto item = std::make_unique<TimelineItem>();
        item->kind = kind;
        item->track = track;
        item->start = start;
        item->length = length;
        item->clip_frames = 1000;
        item->width = 160;
        item->height = 120;
        return project.add_item(std::move(item));
    }

    Project project;
    TrackArea area{0, 0, 299, 99};
};

TEST_F(Geometry, ABoxCoversItsFramesInsideItsRow) {
    TimelineItem& clip = add(ItemKind::video, 1, 5, 10);
    view();
    ASSERT_FLOAT_EQ(project.pixels_per_frame, 10);
    const ItemBox box = item_box(project, area, clip);
    EXPECT_EQ(box.box.left, 50);
    EXPECT_EQ(box.box.right, 150);
    EXPECT_EQ(box.box.top, 33 + 3);  // row top + a tenth of the row
    EXPECT_EQ(box.box.bottom, 65 - 3);
}

TEST_F(Geometry, AnEffectReachesDownOverTheRowsOfItsVideos) {
    TimelineItem& effect = add(ItemKind::effect, 0, 0, 10);
    effect.tracks_used = 2;
    view();
    const ItemBox box = item_box(project, area, effect);
    EXPECT_EQ(box.box.top, 3);
    EXPECT_EQ(box.row_bottom, 32 - 3);
    // The bottom of row 2: trunc(rh x 3 - 1), with rh the float 100 / 3.
    EXPECT_EQ(box.box.bottom, 98);
}

TEST_F(Geometry, AThumbnailKeepsThePictureShapeCentredInTheBox) {
    TimelineItem& clip = add(ItemKind::video, 1, 0, 20);
    view();
    const ThumbnailPlace thumb = thumbnail_place(project, area, clip);
    ASSERT_TRUE(thumb.visible);
    // Inner top 36 + 6, inner bottom 62 - 6: 14 rows, 18 columns at 4:3.
    EXPECT_EQ(thumb.place.top, 42);
    EXPECT_EQ(thumb.place.height(), 14);
    EXPECT_EQ(thumb.place.width(), 18);
    EXPECT_EQ(thumb.place.left, (200 - 18) / 2);
}

TEST_F(Geometry, AThumbnailWiderThanItsBoxIsLeftOut) {
    TimelineItem& clip = add(ItemKind::bitmap, 1, 0, 1);
    view();
    EXPECT_FALSE(thumbnail_place(project, area, clip).visible);
}

TEST_F(Geometry, HitsFindTheRowTheFrameAndTheItemInsideItsBox) {
    TimelineItem& clip = add(ItemKind::video, 1, 5, 10);
    view();
    Hit hit = hit_test(project, 81, 50);
    EXPECT_EQ(hit.row, 1);
    EXPECT_EQ(hit.frame, 9);  // ceil(8.1)
    EXPECT_EQ(hit.item, &clip);
    // The margin above the box is the row but not the item.
    hit = hit_test(project, 81, 34);
    EXPECT_EQ(hit.row, 1);
    EXPECT_EQ(hit.item, nullptr);
    // Outside the rows and frames.
    EXPECT_EQ(hit_test(project, 81, 100).row, -1);
    EXPECT_EQ(hit_test(project, -1, 50).frame, -1);
    EXPECT_EQ(hit_test(project, 300, 50).frame, -1);
    EXPECT_EQ(hit_test(project, 300, 50).item, nullptr);
}

TEST_F(Geometry, TheLastTenthOfABoxSizesTheItem) {
    TimelineItem& clip = add(ItemKind::video, 1, 0, 20);
    view();
    // Right edge at 200, zone ceil(0.1 x 10 x 20) = 20 pixels.
    EXPECT_TRUE(in_size_zone(project, clip, 200));
    EXPECT_TRUE(in_size_zone(project, clip, 180));
    EXPECT_FALSE(in_size_zone(project, clip, 179));
    EXPECT_FALSE(in_size_zone(project, clip, 201));
}

TEST(ZoomEntries, TenFramesShowTenFramesAtAnyRate) {
    for (std::int32_t rate : {30, 25, 5, 1}) {
        Project project;
        OutputSettings settings = default_output_settings();
        settings.rate = rate;
        project.clear(settings, "Untitled.KDP");
        project.zoom = zoom_seconds(ZoomEntry::ten_frames, rate);
        project.recompute();
        project.recompute_view({0, 0, 99, 99});
        EXPECT_EQ(project.visible_frames, 10) << "rate " << rate;
    }
    EXPECT_EQ(zoom_seconds(ZoomEntry::thirty_minutes, 30), 1800);
    EXPECT_EQ(zoom_seconds(ZoomEntry::fit, 30), 0);
}

struct TickCase {
    float ppf;
    std::int32_t step;
    std::int32_t label_every;
};

class RulerTickSteps : public ::testing::TestWithParam<TickCase> {};

TEST_P(RulerTickSteps, KeepTicksThreePixelsApartAndLabelsFromOverlapping) {
    // Labels 60 pixels wide.
    const RulerTicks ticks = ruler_ticks(GetParam().ppf, 60);
    EXPECT_EQ(ticks.step, GetParam().step);
    EXPECT_EQ(ticks.label_every, GetParam().label_every);
    EXPECT_GE(ticks.spacing, 3.0f);
}

INSTANTIATE_TEST_SUITE_P(Cases, RulerTickSteps,
                         ::testing::Values(TickCase{10, 1, 6}, TickCase{3, 1, 20},
                                           TickCase{1, 3, 20}, TickCase{0.5f, 6, 20},
                                           TickCase{80, 1, 1}));

TEST(ItemLabels, NameTheItemAndItsNumbers) {
    TimelineItem clip;
    clip.kind = ItemKind::video;
    clip.file_name = "/films/a.avi";
    clip.width = 320;
    clip.height = 240;
    clip.length = 60;
    EXPECT_EQ(item_label(clip), "/films/a.avi\n320 X 240\n60 frames");
    TimelineItem effect;
    effect.kind = ItemKind::effect;
    effect.length = 15;
    effect.tracks_used = 2;
    std::snprintf(effect.settings().name, sizeof effect.settings().name, "CubeTurn");
    EXPECT_EQ(item_label(effect), "CubeTurn\n15 frames\n2 tracks\n");
}

}  // namespace
}  // namespace kdr::editor::window
