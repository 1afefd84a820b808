#pragma once
// Where the editor's commands put new items: the tracks that inserted clips
// and bitmaps take in turn, and the place a pasted item proposes before the
// free-start search (placement.h) moves it past other items. No Qt.

#include <cstdint>

#include "kaleidra/editor/timeline_item.h"

namespace kdr::editor::window {

// The first track an insert fills: the selected track, or track 1 when the
// effect track or no track is selected.
std::int32_t first_insert_track(std::int32_t selected_track);

// The track after `track`: one down, back to 1 on reaching `track_rows`.
std::int32_t next_insert_track(std::int32_t track, std::int32_t track_rows);

struct PastePlace {
    std::int32_t track = 0;
    std::int32_t start = 0;
};

// The row under the mouse when above 0, else the selected track; the frame
// under the mouse when above 0, else 0. An effect always goes to the effect
// track, anything else from the effect track (or no track) to track 1.
PastePlace paste_place(ItemKind kind, std::int32_t mouse_row, std::int32_t mouse_frame,
                       std::int32_t selected_track);

}  // namespace kdr::editor::window
