// What the timeline paints, read back from the widget's picture: items in
// their track's colour with the clip's picture inside, an effect reaching
// down over its rows, the selected track's row and the selected item's red
// outline, the white ruler and the cursor line over it.

#include <QApplication>
#include <QImage>

#include "window_fixture.h"

namespace kdr::editor::window::test {
namespace {

using editor::test::clip_colour;
using editor::test::FlatColour;

QRgb rgb(std::uint32_t colour_ref) {
    return qRgb(static_cast<int>(colour_ref & 0xFF), static_cast<int>((colour_ref >> 8) & 0xFF),
                static_cast<int>((colour_ref >> 16) & 0xFF));
}

QRgb rgb(FlatColour colour) {
    return qRgb(colour.red, colour.green, colour.blue);
}

class TimelinePaint : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        write_effect("Fx", 1, 2);
        clip = write_clip("a.avi", 1, 40, 32, 24);
        other = write_clip("b.avi", 2, 40, 32, 24);
    }
    // The timeline as it is painted now.
    QImage picture() {
        timeline().repaint();
        return timeline().grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    ClientLayout client() { return timeline().layout(); }
    TrackArea area() { return track_area_of(client()); }
    ItemBox box_of(const TimelineItem& item) { return item_box(project(), area(), item); }

    std::filesystem::path clip;
    std::filesystem::path other;
};

TEST_F(TimelinePaint, ItemsTakeTheirTracksColourAndShowTheirPicture) {
    const TimelineItem& first = add(clip_item(clip, 1, 0, 30));
    const TimelineItem& second = add(clip_item(other, 2, 40, 30));
    show_frames(0, 80);
    const QImage shown = picture();
    for (const TimelineItem* item : {&first, &second}) {
        const PixelRect box = box_of(*item).box;
        // Low in the box, right of the picture and below the label.
        EXPECT_EQ(shown.pixel(box.right - 3, box.bottom - 3),
                  rgb(item->track == 1 ? 0xFF5A5A : 0x8BD245))
            << "track " << item->track;
        const ThumbnailPlace thumb = thumbnail_place(project(), area(), *item);
        ASSERT_TRUE(thumb.visible);
        const int x = (thumb.place.left + thumb.place.right) / 2;
        const int y = (thumb.place.top + thumb.place.bottom) / 2;
        EXPECT_EQ(shown.pixel(x, y), rgb(clip_colour(item->track, 0)))
            << "the clip's first frame in the middle of the box";
        EXPECT_EQ(shown.pixel(box.right - 1, box.top), rgb(0x5A5A5A)) << "the outline";
    }
    // Between the items: the grey of the tracks.
    const PixelRect gap_left = box_of(first).box;
    EXPECT_EQ(shown.pixel(gap_left.right + 10, gap_left.bottom - 3), rgb(0xC0C0C0));
}

TEST_F(TimelinePaint, AnEffectReachesDownOverTheRowsOfItsVideos) {
    add(clip_item(clip, 1, 0, 20));
    const TimelineItem& effect = add(effect_item("Fx", 30, 10));
    show_frames(0, 60);
    const QImage shown = picture();
    const PixelRect box = box_of(effect).box;
    const TrackArea tracks = area();
    const int row2_middle = tracks.top + static_cast<int>(project().row_height * 2.5);
    EXPECT_GT(box.bottom, row2_middle);
    EXPECT_EQ(shown.pixel((box.left + box.right) / 2, row2_middle), rgb(0xFFBFBF))
        << "the effect's colour in the second video's row";
    EXPECT_EQ(shown.pixel(box.right + 10, row2_middle), rgb(0xC0C0C0));
}

TEST_F(TimelinePaint, TheSelectionIsLightAndOutlinedInRed) {
    TimelineItem& item = add(clip_item(clip, 1, 10, 20));
    show_frames(0, 80);
    select(item);
    ASSERT_EQ(project().selected_track, 1);
    const QImage shown = picture();
    const PixelRect box = box_of(item).box;
    const int row1_low = area().top + static_cast<int>(project().row_height * 1.97);
    EXPECT_EQ(shown.pixel(box.right + 20, row1_low), rgb(0xE0E0E0)) << "the selected row";
    EXPECT_EQ(shown.pixel(box.right + 20, row1_low + static_cast<int>(project().row_height / 2)),
              rgb(0xC0C0C0))
        << "the row below";
    const ClientLayout layout = client();
    const int label_x = (layout.labels.left + layout.labels.right) / 2;
    EXPECT_EQ(shown.pixel(label_x, row1_low), rgb(0xE0E0E0)) << "its label too";
    int red = 0;
    for (int x = box.left; x <= box.right; ++x) {
        red += shown.pixel(x, box.top) == qRgb(255, 0, 0) ? 1 : 0;
    }
    EXPECT_GT(red, (box.right - box.left) / 4) << "a dotted red outline";
    EXPECT_LT(red, box.right - box.left + 1) << "dotted, not solid";
}

TEST_F(TimelinePaint, TheRulerIsWhiteWithARedCursorLineOverTheMousesFrame) {
    add(clip_item(clip, 1, 0, 40));
    show_frames(0, 40);
    const ClientLayout layout = client();
    move_to(point_at(1, 21));
    ASSERT_EQ(project().mouse_frame, 21);
    const QImage shown = picture();
    const int line_x = cursor_x(project(), area(), 21);
    // Below the time codes, above the frame's short tick.
    const int y = layout.ruler.top + layout.ruler.height() * 3 / 4 - 1;
    EXPECT_EQ(shown.pixel(line_x, y), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(line_x + 1, y), qRgb(255, 0, 0)) << "two pixels wide";
    EXPECT_EQ(shown.pixel(line_x + 3, y), qRgb(255, 255, 255)) << "white beside it";
    // The mouse leaves: the line goes.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&timeline(), &leave);
    EXPECT_EQ(picture().pixel(line_x, y), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace kdr::editor::window::test
