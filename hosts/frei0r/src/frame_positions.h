#pragma once
// Turns the host's completion into the engine's frame position and total.
//
// The engine derives its completion from position / total and the fly
// direction, and counts trails and motion-blur sub-frames in frames, so the
// total must be the number of frame steps the transition really has. Hosts
// that speak frei0r pass only a time in seconds and the animated completion;
// the frame count follows from the completion step between consecutive
// frames: a transition of N frames keyed "0=0;-1=1" advances 1 / (N - 1) a
// frame, which gives total N - 1 and position i for frame i, exactly as
// kaleidra-render numbers the frames of an N-frame render.
//
// Consecutive frames are those one frame duration apart, and the frame
// duration is the smallest time step seen (hosts play and render in order,
// so the first two frames reveal it). Until a step has been seen, and for
// frames reached by a jump, the last total learnt stands; before any, a
// one-second transition at 25 frames a second (total 24). Completion 0 is
// always position 0 and completion 1 always the total, so the first and last
// frames never depend on what was learnt; a completion strictly between
// them never lands on either end.
//
// One object per plug-in instance; not thread-safe.

#include <cstdint>
#include <optional>

namespace kdr::frei0r {

struct FramePlace {
    std::uint32_t position = 0;
    std::uint32_t total = 1;
};

class FramePositions {
  public:
    static constexpr std::uint32_t default_total = 24;
    // Beyond this a step is too small to be a frame (a held value, or noise).
    static constexpr std::uint32_t max_total = 100000;

    // `time` in seconds as the host passes it, `completion` 0..1.
    FramePlace place(double time, double completion);

    std::uint32_t total() const { return m_total; }

  private:
    void learn(double time, double completion);

    std::optional<double> m_last_time;
    double m_last_completion = 0;
    std::optional<double> m_frame_time;
    std::uint32_t m_total = default_total;
};

}  // namespace kdr::frei0r
