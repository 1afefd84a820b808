#pragma once
// Turns the host's completion into the engine's frame position and total.
//
// The engine derives its completion from position / total and the fly
// direction, and counts trails and motion-blur sub-frames in frames, so the
// total must be the number of frame steps the transition really has. Hosts
// that speak frei0r pass only a time in seconds (the frame's number within
// the transition over the frame rate) and the animated completion. So:
//
//   - the frame duration is the smallest gap between any two times that any
//     instance of the library has seen (FrameClock). A host that renders
//     with several threads gives each thread its own instance and deals the
//     frames out among them; together they still see neighbouring frames;
//   - an instance's total is how many frame durations the completion needs
//     to go from 0 to 1 at the rate it changed between this frame and the
//     one before: a transition of N frames keyed "0=0;-1=1" gives N - 1 and
//     position i for frame i, exactly as kaleidra-render numbers the frames
//     of an N-frame render.
//
// Until two different times have been seen, a one-second transition at 25
// frames a second is assumed (total 24). Completion 0 is always position 0
// and completion 1 always the total, so the first and last frames never
// depend on what was learnt; a completion strictly between them never lands
// on either end.

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>

namespace kdr::frei0r {

// What every instance of the library has seen of the host's frame times.
// Thread-safe.
class FrameClock {
  public:
    void observe(double time);
    std::optional<double> frame_time() const;

  private:
    mutable std::mutex m_mutex;
    std::set<double> m_times;
    std::optional<double> m_frame_time;
};

struct FramePlace {
    std::uint32_t position = 0;
    std::uint32_t total = 1;
};

// One per plug-in instance; not thread-safe.
class FramePositions {
  public:
    static constexpr std::uint32_t default_total = 24;
    // Beyond this a step is too small to be a frame (a held value, or noise).
    static constexpr std::uint32_t max_total = 100000;

    explicit FramePositions(FrameClock& clock) : m_clock(clock) {}

    // `time` in seconds as the host passes it, `completion` 0..1.
    FramePlace place(double time, double completion);

    std::uint32_t total() const { return m_total; }

  private:
    void learn(double time, double completion);

    FrameClock& m_clock;
    std::optional<double> m_last_time;
    double m_last_completion = 0;
    std::uint32_t m_total = default_total;
};

}  // namespace kdr::frei0r
