#pragma once
// The sound of a render: source A's audio, fading out over the transition
// while source B's fades in, then B's alone; for a plain render the fade
// spans the whole of it. The gains run straight from 1 to 0 and from 0 to
// 1, so a sound both sources share keeps its level. A source without audio
// is silence. Samples are handed out per output frame, so they stay with
// the pictures whatever the frame rate.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/video/audio_reader.h"
#include "kaleidra/video/frame_rate.h"

namespace kdr::render_tool {

struct AudioSide {
    std::optional<video::AudioReader> reader;  // none: silence
    double from_seconds = 0;  // on the file's clock, where the side's first sample is
};

class JoinAudio {
  public:
    // A plays from output frame 0, B from `fade_start`; the fade lasts
    // `fade_frames` output frames.
    JoinAudio(AudioSide a, AudioSide b, video::FrameRate rate, std::uint32_t fade_start,
              std::uint32_t fade_frames);

    // Positions both readers; call once before the first frame.
    Status start();

    // The samples beside output frame `index` (interleaved stereo at the
    // movie sample rate), for frames asked in order from 0.
    Result<const std::vector<float>*> frame(std::uint32_t index);

    // The first sample of output frame `index`.
    std::int64_t first_sample(std::uint32_t index) const;

  private:
    AudioSide m_a;
    AudioSide m_b;
    video::FrameRate m_rate;
    std::int64_t m_fade_start = 0;  // in samples
    std::int64_t m_fade_end = 0;
    std::vector<float> m_mixed;
    std::vector<float> m_side;
};

}  // namespace kdr::render_tool
