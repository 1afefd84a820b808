#include "progress_line.h"

#include <cmath>

namespace kdr::render_tool {
namespace {

// A terminal line is redrawn at most this often (seconds), and always at
// the end.
constexpr double redraw_interval = 0.1;

std::string clock_text(double seconds) {
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    }
    return text;
}

}  // namespace

ProgressLine::ProgressLine(std::FILE* out, bool terminal, std::function<double()> now)
    : m_out(out), m_terminal(terminal), m_now(std::move(now)), m_started(m_now()) {}

std::string ProgressLine::describe(std::uint32_t done, std::uint32_t total, double elapsed) {
    std::string text = "frame " + std::to_string(done) + " of " + std::to_string(total);
    if (done > 0 && elapsed > 0) {
        const double rate = done / elapsed;
        char figures[64];
        std::snprintf(figures, sizeof figures, ", %.1f frames/s", rate);
        text += figures;
        if (done < total) {
            text += ", " + clock_text((total - done) / rate) + " left";
        }
    }
    return text;
}

void ProgressLine::update(std::uint32_t done, std::uint32_t total) {
    const double now = m_now();
    const std::string text = "kaleidra-render: " + describe(done, total, now - m_started);
    if (m_terminal) {
        if (done < total && m_last_shown >= 0 && now - m_last_shown < redraw_interval) {
            return;
        }
        m_last_shown = now;
        // Back to the line's start, the text, and the rest of the old line cleared.
        std::fprintf(m_out, "\r%s\033[K", text.c_str());
        m_open_line = true;
        if (done >= total) {
            finish();
        }
        std::fflush(m_out);
        return;
    }
    const std::uint32_t step = total >= 10 ? total / 10 : 1;
    if (done % step == 0 || done == total) {
        std::fprintf(m_out, "%s\n", text.c_str());
    }
}

void ProgressLine::finish() {
    if (m_open_line) {
        std::fputc('\n', m_out);
        m_open_line = false;
    }
}

}  // namespace kdr::render_tool
