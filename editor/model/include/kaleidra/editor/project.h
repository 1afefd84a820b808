#pragma once
// The project: the timeline items in a list (the most recently added first),
// the output settings record, the view of the timeline and the values
// derived from the items. One per program run; the user-interface thread
// owns it. While a render runs the renderer reads the items, so nothing may
// change them until the render has finished.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/editor/output_settings.h"
#include "kaleidra/editor/timeline_item.h"

namespace kdr::editor {

enum class DragMode : std::int32_t { none = 0, moving = 1, sizing = 2 };

// The track area of the window in pixels, for the view values.
struct TrackArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Rows shown without effects: the effect track and source tracks 1 and 2.
inline constexpr std::int32_t minimum_track_rows = 3;

class Project {
  public:
    using ItemList = std::vector<std::unique_ptr<TimelineItem>>;

    Project() = default;
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    // Starts over: `defaults` as the output settings (the last final path
    // emptied), `file_name` as the name, no items, zoom 0 (fit), view start
    // 0, selected track 0, three track rows, length 0, nothing selected or
    // under the mouse, not modified.
    void clear(const OutputSettings& defaults, std::string file_name);

    // Puts the item at the head of the list and marks the project modified.
    TimelineItem& add_item(std::unique_ptr<TimelineItem> item);
    // Unlinks the item, forgets it wherever it was selected or under the
    // mouse, marks the project modified and hands it back (null when it is
    // not in this project).
    std::unique_ptr<TimelineItem> remove_item(const TimelineItem& item);

    const ItemList& items() const { return m_items; }
    std::int32_t item_count() const { return static_cast<std::int32_t>(m_items.size()); }

    // Track rows and project length.
    void recompute();
    // Visible frames, row height and pixels per frame for a track area, as
    // the timeline window draws them; recompute() first. A rate below 1
    // counts as 1 here, so a broken rate never divides by zero.
    void recompute_view(const TrackArea& area);

    std::string file_name;
    OutputSettings output;
    float zoom = 0;  // seconds shown; 0 fits the whole project
    std::int32_t view_start = 0;
    std::int32_t selected_track = 0;  // -1: none
    std::int32_t track_rows = minimum_track_rows;
    std::int32_t visible_frames = 0;
    std::int32_t project_length = 0;
    TimelineItem* selected_item = nullptr;
    float row_height = 0;
    float pixels_per_frame = 0;
    DragMode drag_mode = DragMode::none;
    std::int32_t mouse_row = -1;
    std::int32_t mouse_frame = -1;
    TimelineItem* mouse_item = nullptr;
    std::int32_t grab_offset = 0;
    bool modified = false;

  private:
    ItemList m_items;
};

// The largest tracks used + 1 over the effects, at least 3 rows when there is
// no effect.
std::int32_t track_rows_of(const Project::ItemList& items);
// The largest start + length over the items, 0 when there are none.
std::int64_t length_of(const Project::ItemList& items);

}  // namespace kdr::editor
