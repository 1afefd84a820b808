#include "kaleidra/editor/placement.h"

namespace kdr::editor {
namespace {

bool invalid(const TimelineItem& item, std::int64_t start, std::int32_t track,
             std::int64_t length) {
    const bool effect = item.kind == ItemKind::effect;
    if ((track == 0) != effect || track < 0) {
        return true;
    }
    if (length <= 0 || start < 0 || start + length > max_project_frames) {
        return true;
    }
    return item.kind == ItemKind::video && length > item.clip_frames;
}

}  // namespace

PlacementCheck check_placement(const Project& project, const TimelineItem& item, std::int32_t start,
                               std::int32_t track, std::int32_t length) {
    if (invalid(item, start, track, length)) {
        return {Placement::invalid, nullptr};
    }
    const std::int64_t last = std::int64_t{start} + length - 1;
    for (const auto& other : project.items()) {
        if (other.get() == &item || other->track != track) {
            continue;
        }
        if (other->start <= last && other->end() - 1 >= start) {
            return {Placement::blocked, other.get()};
        }
    }
    return {Placement::free, nullptr};
}

std::optional<std::int32_t> find_free_start(const Project& project, const TimelineItem& item,
                                            std::int32_t start, std::int32_t track,
                                            std::int32_t length) {
    std::int64_t proposal = start;
    for (;;) {
        if (invalid(item, proposal, track, length)) {
            return std::nullopt;
        }
        const PlacementCheck check =
            check_placement(project, item, static_cast<std::int32_t>(proposal), track, length);
        if (check.placement == Placement::free) {
            return static_cast<std::int32_t>(proposal);
        }
        // The blocker ends after the proposed start, so every step moves on
        // and the limit ends the search.
        proposal = check.blocker->end();
    }
}

}  // namespace kdr::editor
