// The timeline under the mouse: selecting, moving, sizing, refused places,
// moving between tracks, auto-scroll, status texts, and the zoom entries.

#include <QAction>
#include <QScrollBar>
#include <QStatusBar>

#include "window_fixture.h"

namespace kdr::editor::window::test {
namespace {

class TimelineMouse : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        clip = write_clip("a.avi", 1, 40);
        other = write_clip("b.avi", 2, 40);
    }
    std::filesystem::path clip;
    std::filesystem::path other;
};

TEST_F(TimelineMouse, PressingSelectsTheTrackAndTheItemAndEnablesTheEditEntries) {
    TimelineItem& item = add(clip_item(clip, 1, 10, 20));
    show_frames(0, 100);
    project().modified = false;
    EXPECT_FALSE(window().action("116")->isEnabled());
    EXPECT_FALSE(window().action("118")->isEnabled());
    const QPoint over = point_at(1, 15);
    press(over);
    release(over);
    EXPECT_EQ(project().selected_item, &item);
    EXPECT_EQ(project().selected_track, 1);
    EXPECT_TRUE(window().action("116")->isEnabled());
    EXPECT_TRUE(window().action("117")->isEnabled());
    EXPECT_TRUE(window().action("119")->isEnabled());
    EXPECT_FALSE(window().action("118")->isEnabled());
    EXPECT_FALSE(project().modified) << "a click is no move";
    // An empty place deselects; a place below the rows selects no track.
    press(point_at(2, 60));
    release(point_at(2, 60));
    EXPECT_EQ(project().selected_item, nullptr);
    EXPECT_EQ(project().selected_track, 2);
    EXPECT_FALSE(window().action("116")->isEnabled());
    const ClientLayout layout = timeline().layout();
    const QPoint below(layout.track.left + 10, layout.track.bottom + 2);
    press(below);
    release(below);
    EXPECT_EQ(project().selected_track, -1);
}

TEST_F(TimelineMouse, DraggingMovesTheItemAndMarksTheProject) {
    TimelineItem& item = add(clip_item(clip, 1, 10, 20));
    show_frames(0, 100);
    drag(point_at(1, 15), point_at(1, 40));
    EXPECT_EQ(item.start, 35);
    EXPECT_EQ(item.track, 1);
    EXPECT_TRUE(project().modified);
    EXPECT_TRUE(window().windowTitle().endsWith("*")) << window().windowTitle().toStdString();
    EXPECT_EQ(project().drag_mode, DragMode::none);
}

TEST_F(TimelineMouse, AMoveShowsTheStartWhileTheButtonIsDown) {
    add(clip_item(clip, 1, 10, 20));
    show_frames(0, 100);
    press(point_at(1, 15));
    move_to(point_at(1, 45));
    // Start 40 at 30 frames a second.
    EXPECT_EQ(window().status_text().toStdString(),
              "Moving " + clip.string() + " - Start: 00:01:10");
    EXPECT_EQ(timeline().cursor().shape(), Qt::SizeAllCursor);
    release(point_at(1, 45));
    EXPECT_EQ(window().status_text(), QString());
}

TEST_F(TimelineMouse, ABlockedMoveShowsNoAndLeavesTheItem) {
    TimelineItem& moved = add(clip_item(clip, 1, 0, 20));
    add(clip_item(other, 1, 30, 20));
    show_frames(0, 100);
    project().modified = false;
    press(point_at(1, 5));
    move_to(point_at(1, 30));  // start 25 would share frames 30 .. 44
    EXPECT_EQ(timeline().cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(moved.start, 0);
    release(point_at(1, 30));
    EXPECT_EQ(moved.start, 0);
    EXPECT_EQ(moved.track, 1);
    EXPECT_FALSE(project().modified);
}

TEST_F(TimelineMouse, AClipCannotBeDraggedOntoTheEffectTrack) {
    TimelineItem& moved = add(clip_item(clip, 1, 0, 20));
    show_frames(0, 100);
    press(point_at(1, 5));
    move_to(point_at(0, 5));
    EXPECT_EQ(timeline().cursor().shape(), Qt::ForbiddenCursor);
    release(point_at(0, 5));
    EXPECT_EQ(moved.track, 1);
}

TEST_F(TimelineMouse, MovingToAnotherRowChangesTheTrackAndTheSelectedTrack) {
    TimelineItem& moved = add(clip_item(clip, 1, 0, 20));
    show_frames(0, 100);
    drag(point_at(1, 5), point_at(2, 8));
    EXPECT_EQ(moved.track, 2);
    EXPECT_EQ(moved.start, 3);
    EXPECT_EQ(project().selected_track, 2);
}

TEST_F(TimelineMouse, TheRightEdgeSizesUpToTheClipsFrames) {
    TimelineItem& sized = add(clip_item(clip, 1, 0, 20));
    show_frames(0, 100);
    const QPoint edge = point_at(1, 20) - QPoint(1, 0);
    move_to(edge);
    EXPECT_EQ(timeline().cursor().shape(), Qt::SizeHorCursor);
    EXPECT_EQ(window().status_text(), "Click left mouse button to size this object.");
    press(edge);
    move_to(point_at(1, 30));
    EXPECT_EQ(sized.length, 30);
    EXPECT_EQ(window().status_text().toStdString(),
              "Sizing " + clip.string() + " - Length 00:01:00");
    // The clip has 40 frames: 50 is refused.
    move_to(point_at(1, 50));
    EXPECT_EQ(timeline().cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(sized.length, 30);
    release(point_at(1, 50));
    EXPECT_EQ(sized.start, 0);
    EXPECT_EQ(sized.length, 30);
}

TEST_F(TimelineMouse, TheMoveZoneTellsHowToMove) {
    add(clip_item(clip, 1, 0, 20));
    show_frames(0, 100);
    move_to(point_at(1, 3));
    EXPECT_EQ(timeline().cursor().shape(), Qt::SizeAllCursor);
    EXPECT_EQ(window().status_text(), "Click left mouse button to move this object.");
    move_to(point_at(2, 3));
    EXPECT_EQ(timeline().cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(window().status_text(), QString());
}

TEST_F(TimelineMouse, DraggingPastTheRightEdgeScrollsUntilTheMouseComesBack) {
    TimelineItem& moved = add(clip_item(clip, 1, 0, 10));
    add(clip_item(other, 2, 0, 40));
    project().output.rate = 25;
    show_frames(0, 20);
    press(point_at(1, 5));
    const ClientLayout layout = timeline().layout();
    const QPoint outside(layout.track.right + 5, point_at(1, 5).y());
    move_to(outside);
    EXPECT_EQ(timeline().auto_scroll_timer(), 103);
    EXPECT_EQ(project().view_start, 1);
    const std::int32_t before = project().view_start;
    QTest::qWait(450);  // two ticks of 200 ms
    EXPECT_GE(project().view_start, before + 2);
    EXPECT_GT(moved.start, 5);
    move_to(point_at(1, project().view_start + 10));
    EXPECT_EQ(timeline().auto_scroll_timer(), 0);
    const QPoint left_outside(layout.track.left - 5, point_at(1, 5).y());
    move_to(left_outside);
    EXPECT_EQ(timeline().auto_scroll_timer(), 104);
    release(left_outside);
    EXPECT_EQ(timeline().auto_scroll_timer(), 0);
}

TEST_F(TimelineMouse, TheScrollBarMovesTheViewByFramesAndPages) {
    add(clip_item(clip, 1, 0, 40));
    add(clip_item(other, 2, 40, 40));
    show_frames(0, 20);
    QScrollBar* bar = timeline().scroll_bar();
    ASSERT_EQ(bar->objectName(), "1004");
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->pageStep(), 20);
    EXPECT_EQ(bar->maximum(), 60);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(project().view_start, 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(project().view_start, 21);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(project().view_start, 60);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(project().view_start, 0) << "never before frame 0";
    // Fit shows everything: nothing to scroll.
    trigger("123-0");
    EXPECT_FALSE(bar->isEnabled());
}

TEST_F(TimelineMouse, TenFramesShowTenFramesAtRates30And5) {
    for (std::int32_t rate : {30, 5}) {
        project().output.rate = rate;
        trigger("123-1");
        EXPECT_EQ(project().visible_frames, 10) << "rate " << rate;
        EXPECT_TRUE(window().action("123-1")->isChecked());
        EXPECT_FALSE(window().action("123-0")->isChecked());
    }
    trigger("123-3");
    EXPECT_EQ(project().visible_frames, 25);  // five seconds at 5
}

TEST_F(TimelineMouse, FitShowsTenSecondsOfAnEmptyProjectAndAllOf45Frames) {
    EXPECT_TRUE(window().action("123-0")->isChecked()) << "Fit is marked at start";
    trigger("123-0");
    EXPECT_EQ(project().visible_frames, 300);
    add(clip_item(clip, 1, 5, 40));
    project().view_start = 7;
    trigger("123-0");
    EXPECT_EQ(project().visible_frames, 45);
    EXPECT_EQ(project().view_start, 0);
}

}  // namespace
}  // namespace kdr::editor::window::test
