#include "kaleidra/editor/project.h"
#include "kaleidra/editor/placement.h"

#include <gtest/gtest.h>

namespace kdr::editor {
namespace {

std::unique_ptr<TimelineItem> item(ItemKind kind, std::int32_t track, std::int32_t start,
                                   std::int32_t length, std::int32_t clip_frames = 1000) {
    auto made = std::make_unique<TimelineItem>();
    made->kind = kind;
    made->track = track;
    made->start = start;
    made->length = length;
    made->clip_frames = clip_frames;
    return made;
}

std::unique_ptr<TimelineItem> effect(std::int32_t start, std::int32_t length,
                                     std::int32_t tracks_used) {
    auto made = item(ItemKind::effect, 0, start, length);
    made->tracks_used = tracks_used;
    return made;
}

TEST(Project, NewItemsGoToTheHeadAndMarkTheProjectModified) {
    Project project;
    project.clear(default_output_settings(), "Untitled.KDP");
    TimelineItem& first = project.add_item(item(ItemKind::video, 1, 0, 10));
    TimelineItem& second = project.add_item(item(ItemKind::bitmap, 2, 0, 1));
    ASSERT_EQ(project.item_count(), 2);
    EXPECT_EQ(project.items()[0].get(), &second);
    EXPECT_EQ(project.items()[1].get(), &first);
    EXPECT_TRUE(project.modified);
}

TEST(Project, RemovingAnItemForgetsItWhereverItWasReferenced) {
    Project project;
    TimelineItem& kept = project.add_item(item(ItemKind::video, 1, 0, 10));
    TimelineItem& gone = project.add_item(item(ItemKind::video, 2, 0, 10));
    project.selected_item = &gone;
    project.mouse_item = &gone;
    project.modified = false;
    std::unique_ptr<TimelineItem> removed = project.remove_item(gone);
    EXPECT_EQ(removed.get(), &gone);
    EXPECT_EQ(project.selected_item, nullptr);
    EXPECT_EQ(project.mouse_item, nullptr);
    EXPECT_TRUE(project.modified);
    ASSERT_EQ(project.item_count(), 1);
    EXPECT_EQ(project.items()[0].get(), &kept);
    EXPECT_EQ(project.remove_item(gone), nullptr);
}

TEST(Project, ClearStartsOverWithTheGivenDefaults) {
    Project project;
    project.add_item(item(ItemKind::video, 1, 0, 10));
    project.zoom = 5;
    project.view_start = 30;
    project.selected_track = 2;
    project.mouse_row = 1;
    OutputSettings defaults = default_output_settings();
    defaults.rate = 25;
    defaults.last_final = "/old/final.avi";
    project.clear(defaults, "/p/Untitled.KDP");
    EXPECT_EQ(project.item_count(), 0);
    EXPECT_EQ(project.output.rate, 25);
    EXPECT_EQ(project.output.last_final, "");
    EXPECT_EQ(project.file_name, "/p/Untitled.KDP");
    EXPECT_EQ(project.zoom, 0);
    EXPECT_EQ(project.view_start, 0);
    EXPECT_EQ(project.selected_track, 0);
    EXPECT_EQ(project.track_rows, 3);
    EXPECT_EQ(project.mouse_row, -1);
    EXPECT_EQ(project.mouse_frame, -1);
    EXPECT_FALSE(project.modified);
}

TEST(Project, TrackRowsFollowTheWidestEffect) {
    Project project;
    project.recompute();
    EXPECT_EQ(project.track_rows, 3);
    EXPECT_EQ(project.project_length, 0);

    project.add_item(item(ItemKind::video, 1, 0, 30));
    TimelineItem& four = project.add_item(effect(10, 15, 4));
    project.recompute();
    EXPECT_EQ(project.track_rows, 5);
    EXPECT_EQ(project.project_length, 30);

    project.add_item(effect(40, 5, 2));
    project.recompute();
    EXPECT_EQ(project.track_rows, 5);
    EXPECT_EQ(project.project_length, 45);

    (void)project.remove_item(four);
    project.recompute();
    EXPECT_EQ(project.track_rows, 3);
}

struct ViewCase {
    float zoom;
    std::int32_t rate;
    std::int32_t length;
    std::int32_t expected_frames;
};

class ProjectView : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ProjectView, ShowsTheExpectedFrames) {
    const ViewCase& c = GetParam();
    Project project;
    project.clear(default_output_settings(), "x");
    project.output.rate = c.rate;
    project.zoom = c.zoom;
    project.view_start = 7;
    if (c.length > 0) {
        project.add_item(item(ItemKind::video, 1, 0, c.length));
    }
    project.recompute();
    project.recompute_view({52, 37, 52 + 899, 37 + 299});
    EXPECT_EQ(project.visible_frames, c.expected_frames);
    EXPECT_FLOAT_EQ(project.pixels_per_frame, 900.0f / c.expected_frames);
    EXPECT_FLOAT_EQ(project.row_height, 100.0f);
    if (c.zoom == 0 && c.length > 0) {
        EXPECT_EQ(project.view_start, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Zooms, ProjectView,
                         ::testing::Values(ViewCase{10.0f / 30, 30, 0, 10},  // "10 frames" at 30
                                           ViewCase{10.0f / 5, 5, 0, 10},    // still 10 at rate 5
                                           ViewCase{5, 30, 0, 150},
                                           ViewCase{0, 30, 0, 300},    // fit, empty
                                           ViewCase{0, 30, 45, 45},    // fit 45 frames
                                           ViewCase{0, 0, 0, 10},      // a rate of 0 never divides
                                           ViewCase{-3, 30, 0, 10}));  // a forged zoom

TEST(Placement, RefusesItemsOnTheWrongKindOfTrack) {
    Project project;
    auto clip = item(ItemKind::video, 1, 0, 10, 100);
    auto fx = effect(0, 10, 2);
    EXPECT_EQ(check_placement(project, *fx, 0, 1, 10).placement, Placement::invalid);
    EXPECT_EQ(check_placement(project, *clip, 0, 0, 10).placement, Placement::invalid);
    EXPECT_EQ(check_placement(project, *clip, 0, -1, 10).placement, Placement::invalid);
    EXPECT_EQ(check_placement(project, *fx, 0, 0, 10).placement, Placement::free);
    EXPECT_EQ(check_placement(project, *clip, 0, 1, 10).placement, Placement::free);
}

TEST(Placement, RefusesBadLengthsAndStarts) {
    Project project;
    auto clip = item(ItemKind::video, 1, 0, 10, 20);
    EXPECT_EQ(check_placement(project, *clip, 0, 1, 0).placement, Placement::invalid);
    EXPECT_EQ(check_placement(project, *clip, -1, 1, 10).placement, Placement::invalid);
    EXPECT_EQ(check_placement(project, *clip, 0, 1, 21).placement, Placement::invalid);
    EXPECT_EQ(check_placement(project, *clip, 0, 1, 20).placement, Placement::free);
    auto picture = item(ItemKind::bitmap, 1, 0, 1, 0);
    EXPECT_EQ(check_placement(project, *picture, 0, 1, 500).placement, Placement::free);
    EXPECT_EQ(check_placement(project, *picture, INT32_MAX, 1, 2).placement, Placement::invalid);
}

TEST(Placement, TouchingItemsDoNotBlockButASharedFrameDoes) {
    Project project;
    TimelineItem& first = project.add_item(item(ItemKind::video, 1, 0, 10));  // ends at 9
    auto second = item(ItemKind::video, 1, 10, 5);
    EXPECT_EQ(check_placement(project, *second, 10, 1, 5).placement, Placement::free);
    const PlacementCheck shared = check_placement(project, *second, 9, 1, 5);
    EXPECT_EQ(shared.placement, Placement::blocked);
    EXPECT_EQ(shared.blocker, &first);
    EXPECT_EQ(check_placement(project, *second, 9, 2, 5).placement, Placement::free);
    // An item never blocks itself.
    EXPECT_EQ(check_placement(project, first, 2, 1, 10).placement, Placement::free);
}

TEST(Placement, FreeStartMovesPastEveryBlockingItem) {
    Project project;
    project.add_item(item(ItemKind::video, 1, 0, 10));
    project.add_item(item(ItemKind::video, 1, 10, 5));
    project.add_item(item(ItemKind::video, 1, 20, 5));
    auto fresh = item(ItemKind::video, 1, 0, 5);
    EXPECT_EQ(find_free_start(project, *fresh, 0, 1, 5), 15);
    EXPECT_EQ(find_free_start(project, *fresh, 0, 1, 6), 25);
    EXPECT_EQ(find_free_start(project, *fresh, 0, 2, 6), 0);
    EXPECT_EQ(find_free_start(project, *fresh, 0, 0, 6), std::nullopt);
}

TEST(Placement, FreeStartStopsAtTheTimelinesLimit) {
    Project project;
    project.add_item(item(ItemKind::bitmap, 1, 0, static_cast<std::int32_t>(max_project_frames)));
    auto fresh = item(ItemKind::bitmap, 1, 0, 1);
    EXPECT_EQ(find_free_start(project, *fresh, 0, 1, 1), std::nullopt);
}

TEST(TimelineItem, EffectsWithoutAFileShowTheirEffectName) {
    TimelineItem fx;
    fx.kind = ItemKind::effect;
    std::snprintf(fx.settings().name, effect_name_size, "%s", "CubeTurn");
    EXPECT_EQ(display_name(fx), "CubeTurn");
    fx.file_name = "named";
    EXPECT_EQ(display_name(fx), "named");
    TimelineItem clip;
    clip.kind = ItemKind::video;
    EXPECT_EQ(display_name(clip), "");
}

TEST(TimelineItem, CopyTakesTheEditedValuesAndADeepSettingsCopy) {
    TimelineItem source;
    source.kind = ItemKind::effect;
    source.start = 4;
    source.length = 9;
    source.tracks_used = 2;
    source.clip_frames = 77;
    std::snprintf(source.settings().name, effect_name_size, "%s", "Blinds");
    source.settings().globals[3] = 1.5f;
    TimelineItem copy;
    ASSERT_TRUE(copy.copy_from(source));
    EXPECT_EQ(copy.kind, ItemKind::effect);
    EXPECT_EQ(copy.start, 4);
    EXPECT_EQ(copy.length, 9);
    EXPECT_EQ(copy.tracks_used, 2);
    EXPECT_EQ(copy.clip_frames, 0);  // opening recomputes it
    EXPECT_STREQ(copy.settings().name, "Blinds");
    EXPECT_EQ(copy.settings().globals[3], 1.5f);
}

}  // namespace
}  // namespace kdr::editor
