#include "join_audio.h"

#include <algorithm>

#include "kaleidra/video/movie_writer.h"

namespace kdr::render_tool {
namespace {

constexpr int channels = video::movie_channels;

}  // namespace

JoinAudio::JoinAudio(AudioSide a, AudioSide b, video::FrameRate rate, std::uint32_t fade_start,
                     std::uint32_t fade_frames)
    : m_a(std::move(a)), m_b(std::move(b)), m_rate(rate) {
    m_fade_start = first_sample(fade_start);
    m_fade_end = first_sample(fade_start + fade_frames);
}

std::int64_t JoinAudio::first_sample(std::uint32_t index) const {
    // index x sample rate / frames a second, rounded down.
    return static_cast<std::int64_t>(std::int64_t{index} * video::movie_sample_rate * m_rate.den /
                                     m_rate.num);
}

Status JoinAudio::start() {
    if (m_a.reader) {
        if (Status status = m_a.reader->seek(m_a.from_seconds); !status) {
            return status;
        }
    }
    if (m_b.reader) {
        if (Status status = m_b.reader->seek(m_b.from_seconds); !status) {
            return status;
        }
    }
    return Status::success();
}

Result<const std::vector<float>*> JoinAudio::frame(std::uint32_t index) {
    const std::int64_t from = first_sample(index);
    const std::int64_t until = first_sample(index + 1);
    const auto count = static_cast<std::size_t>(until - from);
    m_mixed.assign(count * channels, 0.0f);
    const double fade_length = double(std::max<std::int64_t>(m_fade_end - m_fade_start, 1));

    // A sounds until the fade ends.
    if (m_a.reader && from < m_fade_end) {
        const std::size_t a_count = static_cast<std::size_t>(std::min(until, m_fade_end) - from);
        m_side.resize(a_count * channels);
        if (Status status = m_a.reader->read(m_side.data(), a_count); !status) {
            return Error{status.error()};
        }
        for (std::size_t i = 0; i < a_count; ++i) {
            const std::int64_t s = from + static_cast<std::int64_t>(i);
            const float gain = s < m_fade_start
                                   ? 1.0f
                                   : static_cast<float>(1.0 - (s - m_fade_start) / fade_length);
            for (int c = 0; c < channels; ++c) {
                m_mixed[i * channels + c] += gain * m_side[i * channels + c];
            }
        }
    }
    // B sounds from the fade's start.
    if (m_b.reader && until > m_fade_start) {
        const std::int64_t b_from = std::max(from, m_fade_start);
        const auto b_count = static_cast<std::size_t>(until - b_from);
        const auto offset = static_cast<std::size_t>(b_from - from);
        m_side.resize(b_count * channels);
        if (Status status = m_b.reader->read(m_side.data(), b_count); !status) {
            return Error{status.error()};
        }
        for (std::size_t i = 0; i < b_count; ++i) {
            const std::int64_t s = b_from + static_cast<std::int64_t>(i);
            const float gain =
                s >= m_fade_end ? 1.0f : static_cast<float>((s - m_fade_start) / fade_length);
            for (int c = 0; c < channels; ++c) {
                m_mixed[(offset + i) * channels + c] += gain * m_side[i * channels + c];
            }
        }
    }
    return &m_mixed;
}

}  // namespace kdr::render_tool
