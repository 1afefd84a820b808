#pragma once
// The render log: plain text appended to RENDER.LOG in the "Work" folder for
// users who measure rendering speed. The render driver writes a header each
// time the engine prepares again, and a start and an end entry around every
// frame. "Rnd_Logging" is read afresh by each operation: 0 writes nothing,
// any other value writes the header and the running total, exactly 2 also the
// started, finished and elapsed lines of every frame. Frames with the quiet
// flag (thumbnails, previews) never reach the log. Nothing here reports a
// failure or stops rendering.
//
// The stamps printed are the local wall clock; the elapsed time is measured
// on a monotonic clock, so a frame that runs across midnight, a leap day or a
// daylight-saving change still gets its true duration.
//
// One RenderLog per library (its timing state is shared by both render
// slots); its operations run on the host's calling thread only.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "kaleidra/platform/local_time.h"
#include "kaleidra/records/layout.h"

namespace kdr::host {

// Where the log's times come from; tests give their own.
class LogClock {
  public:
    virtual ~LogClock() = default;
    virtual platform::LocalTime wall() = 0;
    virtual std::chrono::steady_clock::time_point monotonic() = 0;
};

LogClock& system_log_clock();

// Hours, minutes, seconds and milliseconds, each an unsigned 16-bit count.
struct LogDuration {
    std::uint16_t hours = 0;
    std::uint16_t minutes = 0;
    std::uint16_t seconds = 0;
    std::uint16_t milliseconds = 0;
};

// Splits a duration into units; negative durations count as 0 and hours stop
// at 65535.
LogDuration split_duration(std::chrono::milliseconds duration);
// Adds unit by unit, carrying 1000 ms into a second, 60 s into a minute and
// 60 min into an hour.
void add_duration(LogDuration& total, const LogDuration& elapsed);

// The texts the log writes, line ends CR LF.
std::string log_header_text(const EffectSettings& settings, const FrameRecord& frame,
                            std::string_view engine_name);
std::string log_started_line(const FrameRecord& frame, const platform::LocalTime& start);
std::string log_finished_line(const platform::LocalTime& finish);
std::string log_elapsed_line(const LogDuration& elapsed);
std::string log_total_line(const LogDuration& total);

// Appends `text` to RENDER.LOG in the work folder with one write to a file
// opened for appending, so several processes may share the file. False when
// the text was dropped (install folder unknown, file not writable).
[[nodiscard]] bool append_to_render_log(std::string_view text);

class RenderLog {
  public:
    explicit RenderLog(LogClock& clock = system_log_clock()) : m_clock(&clock) {}

    // After the driver decided to prepare again: header, running total to 0.
    // `engine_name` is the engine the driver rendering this frame loaded,
    // which a registry read could contradict after "Engine" was changed or
    // when a tool chose another engine.
    void header(const EffectSettings& settings, const FrameRecord& frame,
                std::string_view engine_name);
    // Before the frame is dispatched.
    void frame_start(const FrameRecord& frame);
    // After the frame's render workers have ended.
    void frame_end(const FrameRecord& frame);

    const LogDuration& total() const { return m_total; }

  private:
    LogClock* m_clock;
    platform::LocalTime m_start_stamp;
    platform::LocalTime m_finish_stamp;
    std::chrono::steady_clock::time_point m_start_time;
    bool m_started = false;
    LogDuration m_total;
};

}  // namespace kdr::host
