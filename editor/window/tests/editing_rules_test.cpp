#include <gtest/gtest.h>

#include "kaleidra/editor/window/placement_rules.h"
#include "kaleidra/editor/window/recent_projects.h"
#include "kaleidra/editor/window/settings_rules.h"

namespace kdr::editor::window {
namespace {

TEST(InsertTracks, StartOnTheSelectedSourceTrackAndWrapBeforeTheLastRow) {
    EXPECT_EQ(first_insert_track(2), 2);
    EXPECT_EQ(first_insert_track(0), 1);
    EXPECT_EQ(first_insert_track(-1), 1);
    // Three rows: tracks 1 and 2 take turns.
    EXPECT_EQ(next_insert_track(2, 3), 1);
    EXPECT_EQ(next_insert_track(1, 3), 2);
    // Five rows (an effect of four videos): 1 to 4.
    EXPECT_EQ(next_insert_track(3, 5), 4);
    EXPECT_EQ(next_insert_track(4, 5), 1);
}

struct PasteCase {
    ItemKind kind;
    std::int32_t mouse_row;
    std::int32_t mouse_frame;
    std::int32_t selected;
    std::int32_t track;
    std::int32_t start;
};

class PastePlaces : public ::testing::TestWithParam<PasteCase> {};

TEST_P(PastePlaces, FollowTheMouseThenTheSelectedTrack) {
    const PasteCase& c = GetParam();
    const PastePlace place = paste_place(c.kind, c.mouse_row, c.mouse_frame, c.selected);
    EXPECT_EQ(place.track, c.track);
    EXPECT_EQ(place.start, c.start);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PastePlaces,
    ::testing::Values(
        // An effect with the mouse over track 2 goes to the effect track.
        PasteCase{ItemKind::effect, 2, 40, 1, 0, 40},
        // A clip with the effect track selected and the mouse over it: track 1.
        PasteCase{ItemKind::video, 0, 12, 0, 1, 12},
        // The mouse outside the rows: the selected track, frame 0.
        PasteCase{ItemKind::bitmap, -1, -1, 2, 2, 0},
        // Nothing selected and no row: track 1.
        PasteCase{ItemKind::video, -1, 30, -1, 1, 30}, PasteCase{ItemKind::video, 3, 0, 1, 3, 0}));

TEST(RecentProjects, FillTheSlotsInTurnAndSkipAPathTheyHold) {
    RecentValues recent;
    EXPECT_TRUE(add_recent_project(recent, "/p/a.kdp"));
    EXPECT_TRUE(add_recent_project(recent, "/p/b.kdp"));
    EXPECT_FALSE(add_recent_project(recent, "/p/a.kdp"));
    EXPECT_FALSE(add_recent_project(recent, ""));
    EXPECT_TRUE(add_recent_project(recent, "/p/c.kdp"));
    EXPECT_TRUE(add_recent_project(recent, "/p/d.kdp"));
    EXPECT_EQ(recent.next_index, 0u);
    EXPECT_TRUE(add_recent_project(recent, "/p/e.kdp"));
    EXPECT_EQ(recent.projects[0], "/p/e.kdp");
    EXPECT_EQ(recent.projects[1], "/p/b.kdp");
    EXPECT_EQ(recent.next_index, 1u);
    // A stored index out of range starts again at the first slot.
    recent.next_index = 9;
    EXPECT_TRUE(add_recent_project(recent, "/p/f.kdp"));
    EXPECT_EQ(recent.projects[1], "/p/f.kdp");
}

TEST(RecentProjects, MenuTextsNumberTheSlotsAndShowTheNamePart) {
    EXPECT_EQ(recent_menu_text(0, "/films/intro.kdp"), "&1 intro.kdp");
    EXPECT_EQ(recent_menu_text(3, "C:\\Projects\\old.kdp"), "&4 old.kdp");
    EXPECT_EQ(recent_menu_text(1, "D:x.kdp"), "&2 x.kdp");
    EXPECT_EQ(recent_menu_text(2, ""), "&3 ");
}

TEST(SettingsRules, SizesRunFromOneTo4096AndRatesFromOneTo999) {
    EXPECT_EQ(accepted_size("1"), 1);
    EXPECT_EQ(accepted_size("4096"), 4096);
    EXPECT_EQ(accepted_size(" 320 "), 320);
    EXPECT_FALSE(accepted_size("0"));
    EXPECT_FALSE(accepted_size("4097"));
    EXPECT_FALSE(accepted_size("5000"));
    EXPECT_FALSE(accepted_size(""));
    EXPECT_FALSE(accepted_size("12a"));
    EXPECT_FALSE(accepted_size("-5"));
    EXPECT_FALSE(accepted_size("99999999999999999999"));
    EXPECT_EQ(accepted_rate("999"), 999);
    EXPECT_EQ(accepted_rate("25"), 25);
    EXPECT_FALSE(accepted_rate("0"));
    EXPECT_FALSE(accepted_rate("1000"));
    EXPECT_FALSE(accepted_rate("x"));
}

TEST(SettingsRules, AKeptRatioRoundsHeightsUpAndWidthsDown) {
    const double ratio = size_ratio(64, 48);
    EXPECT_EQ(height_for_width(100, ratio), 75);
    EXPECT_EQ(width_for_height(50, ratio), 66);
    EXPECT_EQ(height_for_width(101, ratio), 76);  // 75.75 up
    EXPECT_EQ(width_for_height(48, ratio), 64);   // exact stays
    EXPECT_EQ(height_for_width(320, size_ratio(320, 240)), 240);
    // Partners stay within the sizes the dialog takes.
    EXPECT_EQ(height_for_width(4096, size_ratio(1, 100)), 4096);
    EXPECT_EQ(width_for_height(1, size_ratio(1, 100)), 1);
    // Without a ratio nothing is recomputed.
    EXPECT_EQ(size_ratio(64, 0), 0);
    EXPECT_FALSE(height_for_width(100, 0));
}

}  // namespace
}  // namespace kdr::editor::window
