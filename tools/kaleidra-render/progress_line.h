#pragma once
// Progress for people. On a terminal one line is rewritten in place: the
// frame, the total, frames a second and the time left. Into a file or a
// pipe, a line at every tenth of the way, so logs stay short.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace kdr::render_tool {

class ProgressLine {
  public:
    // `now` gives seconds on a steady clock; `terminal` picks the form.
    ProgressLine(std::FILE* out, bool terminal, std::function<double()> now);

    // After each frame: `done` of `total` frames are finished.
    void update(std::uint32_t done, std::uint32_t total);
    // Ends the line in place so what follows starts on a line of its own.
    void finish();

    // The text of one update, without line control: "frame 12 of 300,
    // 24.5 frames/s, 0:11 left".
    static std::string describe(std::uint32_t done, std::uint32_t total, double elapsed);

  private:
    std::FILE* m_out;
    bool m_terminal;
    std::function<double()> m_now;
    double m_started = 0;
    double m_last_shown = -1;
    bool m_open_line = false;
};

}  // namespace kdr::render_tool
