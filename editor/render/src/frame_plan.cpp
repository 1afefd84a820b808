#include "kaleidra/editor/frame_plan.h"

#include <algorithm>
#include <limits>

namespace kdr::editor {

const TimelineItem* FramePlanner::effect_starting_at(std::int32_t frame) const {
    for (const auto& item : m_items) {
        if (item->kind == ItemKind::effect && item->start == frame) {
            return item.get();
        }
    }
    return nullptr;
}

std::uint32_t FramePlanner::assign_sources(std::int32_t frame, FramePlan* plan) const {
    const bool trade = m_effect->effect_type == 1 && m_main_track == 2;
    std::uint32_t in_use = 0;
    for (const auto& item : m_items) {
        if (item->kind == ItemKind::effect || !item->contains(frame)) {
            continue;
        }
        std::int64_t slot = std::int64_t{item->track} - 1;
        if (trade && (item->track == 1 || item->track == 2)) {
            slot = item->track == 1 ? 1 : 0;
        }
        if (slot < 0 || slot >= image_slot_count) {
            continue;
        }
        if (plan != nullptr) {
            plan->sources[static_cast<std::size_t>(slot)] = item.get();
        }
        in_use = std::max(in_use, static_cast<std::uint32_t>(slot + 1));
    }
    return in_use;
}

FramePlan FramePlanner::plan(std::int32_t frame) {
    m_next = frame + 1;
    FramePlan plan;
    plan.frame = frame;
    if (m_effect == nullptr) {
        m_effect = effect_starting_at(frame);
    }
    if (m_effect != nullptr) {
        plan.effect = m_effect;
        plan.effect_begins = frame == m_effect->start;
        plan.frame_in_effect = frame - m_effect->start;
        plan.last_frame = m_effect->length - 1;
        m_image_count = std::max(m_image_count, assign_sources(frame, &plan));
        plan.image_count = m_image_count;
        if (m_effect->end() == std::int64_t{frame} + 1) {
            plan.effect_ends = true;
            if (m_effect->effect_type == 1) {
                m_main_track = m_main_track == 1 ? 2 : 1;
            }
            m_effect = nullptr;
        }
        return plan;
    }
    plan.image_count = m_image_count;
    const TimelineItem* lowest = nullptr;
    for (const auto& item : m_items) {
        if (item->kind == ItemKind::effect || !item->contains(frame)) {
            continue;
        }
        if (item->track == m_main_track) {
            plan.copy_source = item.get();
            return plan;
        }
        if (lowest == nullptr || item->track < lowest->track) {
            lowest = item.get();
        }
    }
    plan.copy_source = lowest;
    return plan;
}

void FramePlanner::skip_to(std::int32_t frame) {
    while (m_next < frame) {
        if (m_effect == nullptr) {
            // Nothing changes until the next frame at which an effect starts.
            std::int64_t next_start = std::numeric_limits<std::int64_t>::max();
            for (const auto& item : m_items) {
                if (item->kind == ItemKind::effect && item->start >= m_next) {
                    next_start = std::min<std::int64_t>(next_start, item->start);
                }
            }
            if (next_start >= frame) {
                m_next = frame;
                return;
            }
            m_next = static_cast<std::int32_t>(next_start);
            m_effect = effect_starting_at(m_next);
        }
        // Inside the effect: only the slot count and, at its end, the main
        // track change.
        m_image_count = std::max(m_image_count, assign_sources(m_next, nullptr));
        if (m_effect->end() == std::int64_t{m_next} + 1) {
            if (m_effect->effect_type == 1) {
                m_main_track = m_main_track == 1 ? 2 : 1;
            }
            m_effect = nullptr;
        }
        ++m_next;
    }
}

}  // namespace kdr::editor
