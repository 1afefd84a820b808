#include "kaleidra/gl/surface.h"

#include <algorithm>

namespace kdr::gl {

void Surface::set_rows(std::uint32_t first, std::uint32_t count) {
    if (count == 0 || first >= m_height) {
        first = 0;
        count = m_height;
    }
    m_first_row = first;
    m_row_count = std::min(count, m_height - first);
    if (all_rows()) {
        m_gl.Disable(GL_SCISSOR_TEST);
    } else {
        m_gl.Scissor(0, window_first_row(), static_cast<GLsizei>(m_width),
                     static_cast<GLsizei>(m_row_count));
        m_gl.Enable(GL_SCISSOR_TEST);
    }
}

std::int32_t Surface::window_first_row() const {
    return static_cast<std::int32_t>(top_row_at_origin() ? m_first_row
                                                         : m_height - m_first_row - m_row_count);
}

void Surface::clear(bool colour, bool depth, const float (&rgba)[4]) {
    const GLbitfield mask =
        (colour ? GL_COLOR_BUFFER_BIT : 0u) | (depth ? GL_DEPTH_BUFFER_BIT : 0u);
    if (mask == 0) {
        return;
    }
    if (colour) {
        m_gl.ClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    }
    // A software rasteriser clears a scissored region by drawing a
    // rectangle, several times slower than its clear of every tile; the
    // rows outside those in force may hold anything, so all are cleared.
    const bool scissored = !all_rows();
    if (scissored) {
        m_gl.Disable(GL_SCISSOR_TEST);
    }
    m_gl.Clear(mask);
    if (scissored) {
        m_gl.Enable(GL_SCISSOR_TEST);
    }
}

}  // namespace kdr::gl
