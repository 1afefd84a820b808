#pragma once
// Where the main window draws the timeline and what lies under the mouse,
// in pixels of the window's client area (W x H): the track area, the track
// labels, the ruler and the scroll bar, the box of each item, the ticks of
// the ruler and the time codes on them. Pure arithmetic on the project's
// view values (Project::recompute_view()); no drawing, no Qt.
//
// Truncations follow the window's integer drawing: a box edge or a row top
// is the float position cut toward zero, so boxes and hit tests agree pixel
// for pixel.

#include <cstdint>
#include <string>

#include "kaleidra/editor/project.h"

namespace kdr::editor::window {

struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;  // inclusive
    std::int32_t bottom = 0;

    std::int32_t width() const { return right - left + 1; }
    std::int32_t height() const { return bottom - top + 1; }
};

// The window's areas for a client area of `width` x `height` pixels.
struct ClientLayout {
    PixelRect track;   // rows of items
    PixelRect labels;  // "KDR", "1", "2", ...
    PixelRect ruler;   // time codes
    PixelRect scroll;  // the horizontal scroll bar
};
ClientLayout client_layout(std::int32_t width, std::int32_t height);

// The smallest client area the window can be made.
inline constexpr std::int32_t minimum_window_width = 400;
inline constexpr std::int32_t minimum_window_height = 300;

TrackArea track_area_of(const ClientLayout& layout);

// "%02d:%02d:%02d": minutes, seconds and frames of frame `frame` at `rate`
// frames a second (a rate below 1 counts as 1).
std::string time_code(std::int64_t frame, std::int32_t rate);

// The box of an item. An effect's box reaches down over the rows of the
// videos it takes; `row_bottom` is where its first row ends, the bottom the
// thumbnail is fitted against.
struct ItemBox {
    PixelRect box;
    std::int32_t row_bottom = 0;
};
ItemBox item_box(const Project& project, const TrackArea& area, const TimelineItem& item);

// Where an item's thumbnail goes inside its box; `visible` is false when it
// does not fit (too short a row, too narrow a box, no picture size).
struct ThumbnailPlace {
    bool visible = false;
    PixelRect place;
};
ThumbnailPlace thumbnail_place(const Project& project, const TrackArea& area,
                               const TimelineItem& item);

// The label drawn in an item's box: for effects name, length and tracks
// used; for the others name, size and length, one value a line.
std::string item_label(const TimelineItem& item);

// The ruler's ticks: one every `step` frames, `spacing` pixels apart, and a
// long tick with its time code every `label_every` ticks, so that labels
// `label_width` pixels wide never overlap.
struct RulerTicks {
    std::int32_t step = 1;
    float spacing = 0;
    std::int32_t label_every = 1;
};
RulerTicks ruler_ticks(float pixels_per_frame, std::int32_t label_width);

// The x of the ruler's cursor line for the frame under the mouse.
std::int32_t cursor_x(const Project& project, const TrackArea& area, std::int32_t frame);

// What lies under a point given relative to the track area's top-left
// corner: the row (-1 outside the rows), the frame (-1 outside the frames
// shown) and the first item in list order on that row whose box holds the
// point.
struct Hit {
    std::int32_t row = -1;
    std::int32_t frame = -1;
    TimelineItem* item = nullptr;
};
Hit hit_test(const Project& project, std::int32_t x, std::int32_t y);

// The last pixels of an item's box (a tenth of its width, at least one)
// size it; the rest moves it. `x` relative to the track area.
bool in_size_zone(const Project& project, const TimelineItem& item, std::int32_t x);

// The zoom entries of the View menu, in menu order, and the seconds each
// shows (Fit is 0: the whole project).
enum class ZoomEntry {
    ten_frames,
    one_second,
    five_seconds,
    thirty_seconds,
    one_minute,
    ten_minutes,
    thirty_minutes,
    fit
};
float zoom_seconds(ZoomEntry entry, std::int32_t rate);

}  // namespace kdr::editor::window
