#include "kaleidra/editor/window/placement_rules.h"

namespace kdr::editor::window {

std::int32_t first_insert_track(std::int32_t selected_track) {
    // With no track selected the rule would give -1, which no item can take.
    return selected_track <= 0 ? 1 : selected_track;
}

std::int32_t next_insert_track(std::int32_t track, std::int32_t track_rows) {
    const std::int32_t next = track + 1;
    return next >= track_rows ? 1 : next;
}

PastePlace paste_place(ItemKind kind, std::int32_t mouse_row, std::int32_t mouse_frame,
                       std::int32_t selected_track) {
    PastePlace place;
    place.track = mouse_row > 0 ? mouse_row : selected_track;
    place.start = mouse_frame > 0 ? mouse_frame : 0;
    if (kind == ItemKind::effect) {
        place.track = 0;
    } else if (place.track <= 0) {
        place.track = 1;
    }
    return place;
}

}  // namespace kdr::editor::window
