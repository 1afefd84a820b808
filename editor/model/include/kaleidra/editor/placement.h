#pragma once
// Where an item may stand: effects only on the effect track (0), everything
// else only on source tracks (1 and up), a length of at least one frame, a
// start at frame 0 or later, a clip no longer than its frames, and no frame
// shared with another item of the same track. Items that touch end to start
// do not block each other.

#include <cstdint>
#include <optional>

#include "kaleidra/editor/project.h"

namespace kdr::editor {

enum class Placement { invalid, blocked, free };

struct PlacementCheck {
    Placement placement = Placement::invalid;
    const TimelineItem* blocker = nullptr;  // the first blocking item, when blocked
};

// Checks `item` at the proposed start, track and length against the other
// items of `project` (the item itself never blocks). A placement that would
// reach beyond max_project_frames is invalid.
PlacementCheck check_placement(const Project& project, const TimelineItem& item, std::int32_t start,
                               std::int32_t track, std::int32_t length);

// From `start` on, moves past each blocking item until the place is free.
// Nothing when the proposal is invalid (also when moving on would leave the
// timeline's limit).
std::optional<std::int32_t> find_free_start(const Project& project, const TimelineItem& item,
                                            std::int32_t start, std::int32_t track,
                                            std::int32_t length);

}  // namespace kdr::editor
