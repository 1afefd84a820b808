#include "kaleidra/editor/window/timeline_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kdr::editor::window {
namespace {

std::int32_t cut(double value) {
    if (!(value > INT32_MIN)) {
        return INT32_MIN;
    }
    if (!(value < INT32_MAX)) {
        return INT32_MAX;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

ClientLayout client_layout(std::int32_t width, std::int32_t height) {
    ClientLayout layout;
    layout.track = {52, 37, width - 7, height - 82};
    layout.labels = {7, 37, 43, height - 82};
    layout.ruler = {52, 7, width - 7, 23};
    const std::int32_t scroll_top = layout.track.bottom + 5;
    layout.scroll = {50, scroll_top, 50 + layout.track.width() - 1, scroll_top + 19};
    return layout;
}

TrackArea track_area_of(const ClientLayout& layout) {
    return {layout.track.left, layout.track.top, layout.track.right, layout.track.bottom};
}

std::string time_code(std::int64_t frame, std::int32_t rate) {
    const std::int64_t r = std::max(rate, 1);
    const std::int64_t minutes = frame / (60 * r);
    const std::int64_t seconds = (frame - 60 * r * minutes) / r;
    const std::int64_t frames = frame - (60 * minutes + seconds) * r;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(minutes),
                  static_cast<long long>(seconds), static_cast<long long>(frames));
    return text;
}

ItemBox item_box(const Project& project, const TrackArea& area, const TimelineItem& item) {
    const double rh = project.row_height;
    const double ppf = project.pixels_per_frame;
    const std::int32_t row_top = area.top + cut(rh * item.track);
    const std::int32_t margin = cut(0.1 * rh);
    ItemBox result;
    result.box.top = row_top + margin;
    result.row_bottom = cut(rh + row_top - 1) - margin;
    result.box.bottom = item.track == 0 && item.kind == ItemKind::effect
                            ? cut(rh * (std::int64_t{item.tracks_used} + 1) - 1) + area.top
                            : result.row_bottom;
    result.box.left = area.left + cut(ppf * (std::int64_t{item.start} - project.view_start));
    result.box.right = result.box.left + cut(ppf * item.length);
    return result;
}

ThumbnailPlace thumbnail_place(const Project& project, const TrackArea& area,
                               const TimelineItem& item) {
    ThumbnailPlace result;
    const ItemBox box = item_box(project, area, item);
    const double rh = project.row_height;
    const std::int32_t inner_top = box.box.top + cut(0.2 * rh);
    const std::int32_t inner_bottom = box.row_bottom - cut(0.2 * rh);
    if (inner_top >= inner_bottom || item.height <= 0 || item.width <= 0) {
        return result;
    }
    const std::int32_t height = inner_bottom - inner_top;
    const std::int32_t width =
        cut(static_cast<double>(item.width) / item.height * static_cast<double>(height));
    const std::int32_t room = cut(double{project.pixels_per_frame} * item.length);
    if (width <= 0 || width >= room) {
        return result;
    }
    result.visible = true;
    result.place.left = box.box.left + (box.box.right - box.box.left - width) / 2;
    result.place.top = inner_top;
    result.place.right = result.place.left + width - 1;
    result.place.bottom = inner_top + height - 1;
    return result;
}

std::string item_label(const TimelineItem& item) {
    const std::string name = display_name(item);
    char text[512];
    if (item.kind == ItemKind::effect) {
        std::snprintf(text, sizeof text, "%s\n%ld frames\n%ld tracks\n", name.c_str(),
                      static_cast<long>(item.length), static_cast<long>(item.tracks_used));
    } else {
        std::snprintf(text, sizeof text, "%s\n%ld X %ld\n%ld frames", name.c_str(),
                      static_cast<long>(item.width), static_cast<long>(item.height),
                      static_cast<long>(item.length));
    }
    return text;
}

RulerTicks ruler_ticks(float pixels_per_frame, std::int32_t label_width) {
    RulerTicks ticks;
    const double ppf = pixels_per_frame > 0 ? pixels_per_frame : 1.0;
    ticks.step = ppf >= 3 ? 1 : static_cast<std::int32_t>(std::min(std::ceil(3.0 / ppf), 1e9));
    ticks.spacing = static_cast<float>(ppf * ticks.step);
    ticks.label_every = std::max(
        1, static_cast<std::int32_t>(std::ceil(static_cast<double>(label_width) / ticks.spacing)));
    return ticks;
}

std::int32_t cursor_x(const Project& project, const TrackArea& area, std::int32_t frame) {
    return area.left +
           cut(double{project.pixels_per_frame} * (std::int64_t{frame} - project.view_start));
}

Hit hit_test(const Project& project, std::int32_t x, std::int32_t y) {
    Hit hit;
    const double rh = project.row_height;
    const double ppf = project.pixels_per_frame;
    if (rh <= 0 || ppf <= 0) {
        return hit;
    }
    if (y >= 0 && y < cut(project.track_rows * rh)) {
        hit.row = cut(y / rh);
    }
    if (x >= 0 && x < cut(project.visible_frames * ppf)) {
        hit.frame = cut(project.view_start + std::ceil(x / ppf));
    }
    if (hit.row < 0 || hit.frame < 0) {
        return hit;
    }
    const std::int32_t top = cut(rh * hit.row + 0.1 * rh);
    const std::int32_t bottom = cut(rh * hit.row + rh - 0.1 * rh);
    if (y < top || y > bottom) {
        return hit;
    }
    for (const auto& item : project.items()) {
        if (item->track == hit.row && item->start <= hit.frame && hit.frame <= item->end()) {
            hit.item = item.get();
            break;
        }
    }
    return hit;
}

bool in_size_zone(const Project& project, const TimelineItem& item, std::int32_t x) {
    const double ppf = project.pixels_per_frame;
    const double edge = ppf * (item.end() - project.view_start);
    const double zone = std::ceil(0.1 * ppf * item.length);
    return x <= edge && x >= edge - zone;
}

float zoom_seconds(ZoomEntry entry, std::int32_t rate) {
    switch (entry) {
        case ZoomEntry::ten_frames:
            return 10.0f / static_cast<float>(std::max(rate, 1));
        case ZoomEntry::one_second:
            return 1;
        case ZoomEntry::five_seconds:
            return 5;
        case ZoomEntry::thirty_seconds:
            return 30;
        case ZoomEntry::one_minute:
            return 60;
        case ZoomEntry::ten_minutes:
            return 600;
        case ZoomEntry::thirty_minutes:
            return 1800;
        case ZoomEntry::fit:
            break;
    }
    return 0;
}

}  // namespace kdr::editor::window
