#include "kaleidra/video/audio_reader.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "ffmpeg_support.h"
#include "kaleidra/video/movie_writer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace kdr::video {

using namespace detail;

namespace {

// A jump in time stamps larger than this is a gap (or an overlap) in the
// stream, not jitter.
constexpr std::int64_t gap_samples = movie_sample_rate / 50;
// Consecutive undecodable packets tolerated before reading gives up.
constexpr int max_bad_packets = 32;
// Seeking starts this far before the asked moment so the decoder has
// settled when it is reached.
constexpr double seek_lead_seconds = 0.2;
// Larger decoded frames are refused as damage.
constexpr int max_frame_samples = 1 << 20;

struct ResamplerFree {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

// Decoded samples placed on the file's clock.
struct Segment {
    std::int64_t start = 0;      // in samples at movie_sample_rate
    std::vector<float> samples;  // interleaved stereo
    std::int64_t end() const {
        return start + static_cast<std::int64_t>(samples.size() / movie_channels);
    }
};

struct ResamplerKey {
    int format = -1;
    int rate = 0;
    AVChannelLayout layout{};
    bool same(const AVFrame& frame) const {
        return frame.format == format && frame.sample_rate == rate &&
               av_channel_layout_compare(&frame.ch_layout, &layout) == 0;
    }
};

}  // namespace

struct AudioReader::State {
    std::filesystem::path file;
    InputPtr format;
    CodecContextPtr decoder;
    AVStream* stream = nullptr;
    int stream_index = -1;
    PacketPtr packet;
    FramePtr frame;
    std::unique_ptr<SwrContext, ResamplerFree> resampler;
    ResamplerKey key;
    std::deque<Segment> segments;
    std::int64_t cursor = 0;       // the next sample to read
    std::int64_t next_sample = 0;  // where the next resampled samples belong
    bool placed = false;           // next_sample is known
    bool ended = false;            // no more packets
    std::uint64_t seeks = 0;

    ~State() { av_channel_layout_uninit(&key.layout); }

    std::string name() const { return "\"" + file.string() + "\""; }

    // Times beyond a few decades (damaged time stamps) are held there, so
    // the sample arithmetic stays far from overflow.
    std::int64_t sample_at(double seconds) const {
        constexpr double limit = 1e9;
        const double held = std::isfinite(seconds) ? std::clamp(seconds, -limit, limit) : 0.0;
        return static_cast<std::int64_t>(std::llround(held * movie_sample_rate));
    }

    Status configure(const AVFrame& decoded) {
        if (resampler && key.same(decoded)) {
            return Status::success();
        }
        AVChannelLayout in_layout{};
        if (decoded.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
            av_channel_layout_check(&decoded.ch_layout) == 0) {
            av_channel_layout_default(&in_layout, std::max(decoded.ch_layout.nb_channels, 1));
        } else {
            av_channel_layout_copy(&in_layout, &decoded.ch_layout);
        }
        AVChannelLayout out_layout{};
        av_channel_layout_default(&out_layout, movie_channels);
        SwrContext* context = nullptr;
        int result = swr_alloc_set_opts2(
            &context, &out_layout, AV_SAMPLE_FMT_FLT, movie_sample_rate, &in_layout,
            static_cast<AVSampleFormat>(decoded.format), decoded.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in_layout);
        av_channel_layout_uninit(&out_layout);
        if (result >= 0 && decoded.ch_layout.nb_channels == 1) {
            // Mono goes to both sides at full level, as players play it.
            const double both_sides[movie_channels] = {1.0, 1.0};
            result = swr_set_matrix(context, both_sides, 1);
        }
        if (result >= 0) {
            result = swr_init(context);
        }
        if (result < 0) {
            swr_free(&context);
            return Error{"cannot convert the audio of " + name() + ": " + error_text(result)};
        }
        resampler.reset(context);
        key.format = decoded.format;
        key.rate = decoded.sample_rate;
        av_channel_layout_uninit(&key.layout);
        av_channel_layout_copy(&key.layout, &decoded.ch_layout);
        return Status::success();
    }

    // Resamples the decoded frame into a new segment.
    Status place(const AVFrame& decoded) {
        if (decoded.sample_rate <= 0 || decoded.nb_samples <= 0 ||
            decoded.nb_samples > max_frame_samples || decoded.ch_layout.nb_channels <= 0) {
            return Status::success();  // nothing usable: silence
        }
        if (Status status = configure(decoded); !status) {
            return status;
        }
        std::int64_t timestamp = decoded.best_effort_timestamp;
        if (timestamp == AV_NOPTS_VALUE) {
            timestamp = decoded.pts;
        }
        if (timestamp != AV_NOPTS_VALUE) {
            const std::int64_t start = sample_at(double(timestamp) * av_q2d(stream->time_base));
            if (!placed || std::llabs(start - next_sample) > gap_samples) {
                next_sample = start;
                placed = true;
            }
        } else if (!placed) {
            return Status::success();  // nothing tells where it belongs
        }
        const int room = swr_get_out_samples(resampler.get(), decoded.nb_samples);
        if (room <= 0) {
            return Status::success();
        }
        Segment segment;
        segment.start = next_sample;
        segment.samples.resize(static_cast<std::size_t>(room) * movie_channels);
        std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(segment.samples.data())};
        const int made = swr_convert(resampler.get(), out, room,
                                     const_cast<const std::uint8_t**>(decoded.extended_data),
                                     decoded.nb_samples);
        if (made < 0) {
            return Error{"cannot convert the audio of " + name() + ": " + error_text(made)};
        }
        segment.samples.resize(static_cast<std::size_t>(made) * movie_channels);
        next_sample += made;
        if (!segment.samples.empty()) {
            segments.push_back(std::move(segment));
        }
        return Status::success();
    }

    // Decodes until the segments reach `until` or the stream ends.
    Status decode_until(std::int64_t until) {
        int bad_packets = 0;
        while (!ended && (segments.empty() || segments.back().end() < until)) {
            int result = avcodec_receive_frame(decoder.get(), frame.get());
            if (result == 0) {
                Status placed_frame = place(*frame);
                av_frame_unref(frame.get());
                if (!placed_frame) {
                    return placed_frame;
                }
                continue;
            }
            if (result == AVERROR_EOF) {
                ended = true;
                break;
            }
            if (result != AVERROR(EAGAIN)) {
                if (++bad_packets > max_bad_packets) {
                    ended = true;
                }
                continue;
            }
            result = av_read_frame(format.get(), packet.get());
            if (result < 0) {
                avcodec_send_packet(decoder.get(), nullptr);
                continue;
            }
            if (packet->stream_index != stream_index) {
                av_packet_unref(packet.get());
                continue;
            }
            result = avcodec_send_packet(decoder.get(), packet.get());
            av_packet_unref(packet.get());
            if (result < 0 && result != AVERROR(EAGAIN) && ++bad_packets > max_bad_packets) {
                ended = true;
            }
        }
        return Status::success();
    }
};

Result<AudioReader> AudioReader::open(const std::filesystem::path& file) {
    prepare_ffmpeg();
    clear_logged_error();
    auto state = std::make_unique<State>();
    state->file = file;
    const std::string name = state->name();
    Result<InputPtr> input = open_input_file(file);
    if (!input) {
        return Error{input.error()};
    }
    state->format = std::move(*input);
    AVFormatContext* opened = state->format.get();
    Result<AVStream*> stream = take_stream(*opened, AVMEDIA_TYPE_AUDIO, name);
    if (!stream) {
        return Error{stream.error()};
    }
    state->stream = *stream;
    state->stream_index = state->stream->index;
    Result<CodecContextPtr> decoder = open_decoder(*state->stream, name);
    if (!decoder) {
        return Error{decoder.error()};
    }
    state->decoder = std::move(*decoder);
    state->packet.reset(av_packet_alloc());
    state->frame.reset(av_frame_alloc());
    if (!state->packet || !state->frame) {
        return Error{"out of memory opening " + name};
    }
    const std::int64_t start =
        state->stream->start_time != AV_NOPTS_VALUE ? state->stream->start_time : 0;
    state->cursor = state->sample_at(double(start) * av_q2d(state->stream->time_base));
    return AudioReader(std::move(state));
}

AudioReader::AudioReader(std::unique_ptr<State> state) : m_state(std::move(state)) {}
AudioReader::AudioReader(AudioReader&& other) noexcept = default;
AudioReader& AudioReader::operator=(AudioReader&& other) noexcept = default;
AudioReader::~AudioReader() = default;

std::string AudioReader::codec_name() const {
    return avcodec_get_name(m_state->stream->codecpar->codec_id);
}

std::uint64_t AudioReader::seek_count() const {
    return m_state->seeks;
}

Status AudioReader::seek(double seconds) {
    State& state = *m_state;
    clear_logged_error();
    if (!std::isfinite(seconds)) {
        return Error{"cannot seek in the audio of " + state.name() +
                     " to a time that is no number"};
    }
    seconds = std::clamp(seconds, -1e9, 1e9);
    const std::int64_t target = state.sample_at(seconds);
    if (target == state.cursor) {
        return Status::success();
    }
    // Close ahead: read on instead.
    if (target > state.cursor && target - state.cursor < movie_sample_rate) {
        std::vector<float> skipped(static_cast<std::size_t>(target - state.cursor) *
                                   movie_channels);
        return read(skipped.data(), skipped.size() / movie_channels);
    }
    ++state.seeks;
    const std::int64_t timestamp =
        av_rescale_q(static_cast<std::int64_t>((seconds - seek_lead_seconds) * AV_TIME_BASE),
                     AV_TIME_BASE_Q, state.stream->time_base);
    int result =
        av_seek_frame(state.format.get(), state.stream_index, timestamp, AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        // Before the first key point: from the top.
        result = avformat_seek_file(state.format.get(), state.stream_index, INT64_MIN, timestamp,
                                    timestamp, 0);
    }
    avcodec_flush_buffers(state.decoder.get());
    state.resampler.reset();
    state.segments.clear();
    state.placed = false;
    state.ended = result < 0;
    state.cursor = target;
    return Status::success();
}

Status AudioReader::read(float* samples, std::size_t frames) {
    State& state = *m_state;
    clear_logged_error();
    const std::int64_t from = state.cursor;
    const std::int64_t until = from + static_cast<std::int64_t>(frames);
    if (Status status = state.decode_until(until); !status) {
        return status;
    }
    std::fill(samples, samples + frames * movie_channels, 0.0f);
    for (const Segment& segment : state.segments) {
        const std::int64_t begin = std::max(from, segment.start);
        const std::int64_t end = std::min(until, segment.end());
        if (begin >= end) {
            continue;
        }
        std::copy(segment.samples.begin() + (begin - segment.start) * movie_channels,
                  segment.samples.begin() + (end - segment.start) * movie_channels,
                  samples + (begin - from) * movie_channels);
    }
    while (!state.segments.empty() && state.segments.front().end() <= until) {
        state.segments.pop_front();
    }
    state.cursor = until;
    return Status::success();
}

}  // namespace kdr::video
