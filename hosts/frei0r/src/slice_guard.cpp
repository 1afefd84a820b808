#include "slice_guard.h"

namespace kdr::frei0r {
namespace {

// More slices than this are no slices of one frame.
constexpr std::intptr_t max_slices = 256;

// The distance from `earlier` to `later` in bytes, compared as addresses:
// the two may come from unrelated blocks.
std::intptr_t distance(const void* earlier, const void* later) {
    return static_cast<std::intptr_t>(reinterpret_cast<std::uintptr_t>(later) -
                                      reinterpret_cast<std::uintptr_t>(earlier));
}

}  // namespace

bool SliceGuard::follows_last(const UpdateCall& call) const {
    if (!m_last || m_last->time != call.time) {
        return false;
    }
    const auto slice = static_cast<std::intptr_t>(m_pixels * sizeof(std::uint32_t));
    const std::intptr_t moved = distance(m_last->a, call.a);
    if (slice == 0 || moved == 0 || moved % slice != 0 || moved / slice > max_slices ||
        moved / slice < -max_slices) {
        return false;
    }
    return distance(m_last->b, call.b) == moved && distance(m_last->out, call.out) == moved;
}

SliceGuard::Entry SliceGuard::enter(const UpdateCall& call) {
    std::lock_guard lock(m_mutex);
    Entry entry;
    if (!m_sliced && (m_inside > 0 || follows_last(call))) {
        m_sliced = true;
        entry.first_detection = true;
        // The previous slice rendered and left before anyone knew.
        if (m_inside == 0 && m_last_rendered) {
            entry.repair = m_last;
        }
    }
    ++m_inside;
    entry.render = !m_sliced;
    m_last = call;
    m_last_rendered = entry.render;
    return entry;
}

bool SliceGuard::leave(bool rendered) {
    std::lock_guard lock(m_mutex);
    --m_inside;
    return rendered && m_sliced;
}

bool SliceGuard::sliced() const {
    std::lock_guard lock(m_mutex);
    return m_sliced;
}

}  // namespace kdr::frei0r
