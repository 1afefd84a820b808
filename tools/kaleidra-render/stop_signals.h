#pragma once
// Ctrl-C, a terminal closing and a polite kill (SIGINT, SIGHUP, SIGTERM)
// ask a render to stop after the frame it is drawing, so the movie being
// written is discarded rather than left half-written beside its target. A
// second signal of the kind ends the program at once, as the signal
// normally does.
//
// One StopSignals at a time in a process (the program's main); the flag it
// sets may be read from any thread.

#include <atomic>
#include <csignal>

namespace kdr::render_tool {

class StopSignals {
  public:
    // Installs the handlers; the destructor puts the previous ones back.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Set once a signal has arrived.
    const std::atomic<bool>& requested() const;
    // The signal that arrived, 0 when none.
    int signal() const;

  private:
    struct sigaction m_previous[3] = {};
};

// The exit status of a program ended by a signal's request: 128 + 2, as
// shells report Ctrl-C.
inline constexpr int stopped_exit_status = 130;

}  // namespace kdr::render_tool
