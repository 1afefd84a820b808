#include "kaleidra/editor/project.h"

#include <algorithm>
#include <cmath>

namespace kdr::editor {
namespace {

// The view never shows fewer frames than this when zoomed in.
constexpr std::int32_t minimum_visible_frames = 10;
// An empty project fitted to the window shows this many seconds.
constexpr std::int32_t empty_fit_seconds = 10;

}  // namespace

void Project::clear(const OutputSettings& defaults, std::string name) {
    output = defaults;
    output.last_final.clear();
    file_name = std::move(name);
    m_items.clear();
    zoom = 0;
    view_start = 0;
    selected_track = 0;
    track_rows = minimum_track_rows;
    visible_frames = 0;
    project_length = 0;
    selected_item = nullptr;
    row_height = 0;
    pixels_per_frame = 0;
    drag_mode = DragMode::none;
    mouse_row = -1;
    mouse_frame = -1;
    mouse_item = nullptr;
    grab_offset = 0;
    modified = false;
}

TimelineItem& Project::add_item(std::unique_ptr<TimelineItem> item) {
    m_items.insert(m_items.begin(), std::move(item));
    modified = true;
    return *m_items.front();
}

std::unique_ptr<TimelineItem> Project::remove_item(const TimelineItem& item) {
    auto found = std::find_if(
        m_items.begin(), m_items.end(),
        [&](const std::unique_ptr<TimelineItem>& each) { return each.get() == &item; });
    if (found == m_items.end()) {
        return nullptr;
    }
    std::unique_ptr<TimelineItem> removed = std::move(*found);
    m_items.erase(found);
    if (selected_item == removed.get()) {
        selected_item = nullptr;
    }
    if (mouse_item == removed.get()) {
        mouse_item = nullptr;
    }
    modified = true;
    return removed;
}

std::int32_t track_rows_of(const Project::ItemList& items) {
    std::int64_t rows = 0;
    bool any_effect = false;
    for (const auto& item : items) {
        if (item->kind == ItemKind::effect) {
            any_effect = true;
            rows = std::max<std::int64_t>(rows, std::int64_t{item->tracks_used} + 1);
        }
    }
    if (!any_effect) {
        return minimum_track_rows;
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(rows, 1, INT32_MAX));
}

std::int64_t length_of(const Project::ItemList& items) {
    std::int64_t length = 0;
    for (const auto& item : items) {
        length = std::max(length, item->end());
    }
    return length;
}

void Project::recompute() {
    track_rows = track_rows_of(m_items);
    project_length =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(length_of(m_items), 0, INT32_MAX));
}

void Project::recompute_view(const TrackArea& area) {
    const std::int32_t rate = std::max(output.rate, 1);
    if (zoom != 0) {
        double frames = std::floor(static_cast<double>(zoom) * rate);
        // A zoom read from a file may be negative, huge or not a number.
        if (!(frames >= minimum_visible_frames)) {
            frames = minimum_visible_frames;
        }
        visible_frames = static_cast<std::int32_t>(std::min<double>(frames, INT32_MAX));
    } else if (project_length > 0) {
        view_start = 0;
        visible_frames = project_length;
    } else {
        visible_frames = static_cast<std::int32_t>(
            std::min<std::int64_t>(std::int64_t{rate} * empty_fit_seconds, INT32_MAX));
    }
    row_height = static_cast<float>(area.bottom - area.top + 1) / static_cast<float>(track_rows);
    pixels_per_frame =
        static_cast<float>(area.right - area.left + 1) / static_cast<float>(visible_frames);
}

}  // namespace kdr::editor
