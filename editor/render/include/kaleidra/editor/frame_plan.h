#pragma once
// What the renderer does at each frame of a project, decided from the items
// alone (no pixels): which effect is current, which item feeds which source
// slot of the engine, and which item's frame is copied to the output between
// effects. The planner carries the loop's state from frame to frame:
//
//   - with no current effect, the first effect in list order that starts at
//     the frame becomes current, and stays so to its last frame;
//   - inside an effect each source item lies in slot (track - 1); for a
//     transition (type 1) while the main source track is 2, tracks 1 and 2
//     trade slots; tracks above 20 have no slot; the number of slots in use
//     only grows during a movie;
//   - after a transition's last frame the main source track switches between
//     1 and 2;
//   - between effects the output copies the first item on the main source
//     track that holds the frame, else the holding item on the lowest track,
//     else black.
//
// Because the state carries over, frames are planned in increasing order
// from 0; skip_to() replays the state up to a frame cheaply, so a range of
// frames renders exactly as it does inside a whole render. The planner keeps
// pointers to the items: the project must not change while it is in use.

#include <array>
#include <cstdint>

#include "kaleidra/editor/project.h"
#include "kaleidra/records/layout.h"

namespace kdr::editor {

struct FramePlan {
    std::int32_t frame = 0;
    const TimelineItem* effect = nullptr;  // the current effect, or none
    bool effect_begins = false;            // the frame is the effect's first
    bool effect_ends = false;              // the frame is the effect's last
    std::int32_t frame_in_effect = 0;
    std::int32_t last_frame = 0;  // the effect's last frame index (length - 1)
    // Effects: the item whose picture goes into each source slot.
    std::array<const TimelineItem*, image_slot_count> sources{};
    std::uint32_t image_count = 0;  // slots in use
    // No effect: the item whose frame becomes the output; none means black.
    const TimelineItem* copy_source = nullptr;
};

class FramePlanner {
  public:
    explicit FramePlanner(const Project::ItemList& items) : m_items(items) {}

    // The plan of `frame`, which must follow the frame planned last (the
    // first call plans frame 0, or the frame skip_to() reached).
    FramePlan plan(std::int32_t frame);

    // Replays the state through every frame before `frame` without planning
    // sources; the next plan() is then of `frame`.
    void skip_to(std::int32_t frame);

    std::int32_t main_track() const { return m_main_track; }
    std::uint32_t image_count() const { return m_image_count; }
    const TimelineItem* current_effect() const { return m_effect; }

  private:
    const TimelineItem* effect_starting_at(std::int32_t frame) const;
    // Fills the plan's sources; returns the slots in use at this frame.
    std::uint32_t assign_sources(std::int32_t frame, FramePlan* plan) const;

    const Project::ItemList& m_items;
    std::int32_t m_next = 0;
    const TimelineItem* m_effect = nullptr;
    std::int32_t m_main_track = 1;
    std::uint32_t m_image_count = 0;
};

}  // namespace kdr::editor
