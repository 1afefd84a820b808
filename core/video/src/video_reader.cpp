#include "kaleidra/video/video_reader.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "colour_tags.h"
#include "ffmpeg_support.h"
#include "frame_converter.h"
#include "orientation.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace kdr::video {

using namespace detail;

namespace {

// Consecutive undecodable packets tolerated before a read gives up.
constexpr int max_bad_packets = 32;
// Without an index to find key frames, reading forward is preferred over a
// seek when the asked frame is at most this many frames ahead.
constexpr std::int64_t forward_without_index = 48;
// Seeks that step back a key frame at a time before starting from the top.
constexpr int max_seek_steps = 16;
// A timestamp before any frame: seeking forward from it finds the first key
// frame.
constexpr std::int64_t seek_to_first_key = 1'000'000;

}  // namespace

struct VideoReader::State {
    std::filesystem::path file;
    InputPtr format;
    CodecContextPtr decoder;
    AVStream* stream = nullptr;
    int stream_index = -1;
    bool audio = false;
    PacketPtr packet;
    FramePtr scratch;    // receives decoded frames
    FramePtr held;       // the latest frame at or before the asked one
    FramePtr lookahead;  // a decoded frame past the asked one, kept for the next read
    std::int64_t held_index = -1;
    std::int64_t lookahead_index = -1;
    // The index a decoded frame without a time stamp gets: the one after the
    // frame decoded before it. After a seek into the middle nothing has been
    // decoded yet and such a frame cannot be placed (-1); decoders that hold
    // frames back give their last ones without time stamps when drained.
    std::int64_t next_unstamped = -1;
    bool unplaced = false;    // decoding stopped at a frame that could not be placed
    bool positioned = false;  // the decoder continues from `held`
    bool draining = false;
    // After a seek into a file without an index (MPEG-TS) reading may start
    // anywhere; packets before the next key frame would decode to garbage.
    bool awaiting_key = false;
    std::uint64_t seeks = 0;
    FrameConverter converter;
    VideoFrame converted;
    bool converted_valid = false;

    std::uint32_t length = 0;
    AVRational frame_rate{0, 1};  // frames per second
    std::int64_t start = 0;       // timestamp of frame 0, in the stream's time base
    int turns = 0;
    std::uint32_t width = 0;  // displayed
    std::uint32_t height = 0;
    std::uint32_t output_width = 0;
    std::uint32_t output_height = 0;

    std::string name() const { return "\"" + file.string() + "\""; }

    std::int64_t index_of_timestamp(std::int64_t timestamp) const {
        return av_rescale_q_rnd(timestamp - start, stream->time_base, av_inv_q(frame_rate),
                                static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    }
    std::int64_t timestamp_of_index(std::int64_t index) const {
        return start + av_rescale_q(index, av_inv_q(frame_rate), stream->time_base);
    }
    // The frame's index, or -1 when it has no time stamp and follows no
    // frame decoded since the last seek.
    std::int64_t index_of_frame(const AVFrame* frame) const {
        std::int64_t timestamp = frame->best_effort_timestamp;
        if (timestamp == AV_NOPTS_VALUE) {
            timestamp = frame->pts;
        }
        if (timestamp == AV_NOPTS_VALUE) {
            return next_unstamped;
        }
        return index_of_timestamp(timestamp);
    }

    // The frame index of the key frame at or before `index`, or -1 when the
    // file's index does not say.
    std::int64_t key_frame_before(std::int64_t index) const {
        const int entry =
            av_index_search_timestamp(stream, timestamp_of_index(index), AVSEEK_FLAG_BACKWARD);
        if (entry < 0) {
            return -1;
        }
        const AVIndexEntry* found = avformat_index_get_entry(stream, entry);
        return found != nullptr ? index_of_timestamp(found->timestamp) : -1;
    }

    // Seeks to the key frame at or before `timestamp` (in decoding order),
    // or to the first key frame when there is none.
    Status seek_to_timestamp(std::int64_t timestamp) {
        ++seeks;
        bool from_top = timestamp <= start - seek_to_first_key;
        int result = av_seek_frame(format.get(), stream_index, timestamp, AVSEEK_FLAG_BACKWARD);
        if (result < 0) {
            from_top = true;
            result = av_seek_frame(format.get(), stream_index, start - seek_to_first_key, 0);
        }
        avcodec_flush_buffers(decoder.get());
        held_index = -1;
        lookahead_index = -1;
        // From the top, the first frame is frame 0 whatever it carries, as
        // when the file was opened.
        next_unstamped = from_top ? 0 : -1;
        unplaced = false;
        draining = false;
        awaiting_key = !from_top;
        positioned = result >= 0;
        if (result < 0) {
            return Error{"cannot seek in " + name() + ": " + error_text(result)};
        }
        return Status::success();
    }

    // Where to seek next when a seek to `target` landed after the frame:
    // the index entry before it, or, in files without an index (MPEG-TS),
    // twice as far back as the last step.
    std::optional<std::int64_t> step_back(std::int64_t target, std::int64_t& step) const {
        if (avformat_index_get_entries_count(stream) > 0) {
            const int entry = av_index_search_timestamp(stream, target, AVSEEK_FLAG_BACKWARD);
            const AVIndexEntry* key =
                entry >= 0 ? avformat_index_get_entry(stream, entry) : nullptr;
            if (key == nullptr) {
                return std::nullopt;
            }
            return key->timestamp - 1;
        }
        if (target <= start) {
            return std::nullopt;
        }
        step *= 2;
        return std::max(target - step, start);
    }

    // Seeks and decodes until `held` is the latest frame at or before
    // `index`. Key frames are indexed by decoding time; with B-frames a key
    // frame may show later than its decoding time says, so when the first
    // frame after a seek comes after `index`, or cannot be placed because
    // it has no time stamp, or nothing decodes at all, the seek steps back
    // one key frame at a time.
    // Returns the error that stopped decoding, or 0.
    int seek_and_decode(std::int64_t index, Status& seek_status) {
        std::int64_t target = timestamp_of_index(index);
        // One second, for files without an index.
        std::int64_t step =
            std::max<std::int64_t>(1, av_rescale_q(1, AVRational{1, 1}, stream->time_base));
        for (int attempt = 0; attempt < max_seek_steps; ++attempt) {
            seek_status = seek_to_timestamp(target);
            if (!seek_status) {
                return 0;
            }
            const int result = decode_until(index);
            if (held_index >= 0) {
                return result;
            }
            // Nothing at or before the frame: the seek landed after it,
            // on a frame that cannot be placed, or (without an index)
            // after the last key frame.
            const std::optional<std::int64_t> earlier = step_back(target, step);
            if (!earlier) {
                break;
            }
            target = *earlier;
        }
        seek_status = seek_to_timestamp(start - seek_to_first_key);
        return seek_status ? decode_until(index) : 0;
    }

    // The next decoded frame into `scratch`: 0, AVERROR_EOF at the end, or
    // an error when the data cannot be decoded.
    int decode_next() {
        int bad_packets = 0;
        for (;;) {
            int result = avcodec_receive_frame(decoder.get(), scratch.get());
            if (result == 0 || result == AVERROR_EOF) {
                return result;
            }
            if (result != AVERROR(EAGAIN)) {
                if (++bad_packets > max_bad_packets) {
                    return result;
                }
                continue;
            }
            if (draining) {
                return AVERROR_EOF;
            }
            result = av_read_frame(format.get(), packet.get());
            if (result < 0) {
                // End of file or unreadable data: let the decoder give out
                // what it still holds.
                draining = true;
                avcodec_send_packet(decoder.get(), nullptr);
                continue;
            }
            if (packet->stream_index != stream_index ||
                (awaiting_key && !(packet->flags & AV_PKT_FLAG_KEY))) {
                av_packet_unref(packet.get());
                continue;
            }
            awaiting_key = false;
            result = avcodec_send_packet(decoder.get(), packet.get());
            av_packet_unref(packet.get());
            if (result < 0 && result != AVERROR(EAGAIN)) {
                if (++bad_packets > max_bad_packets) {
                    return result;
                }
            } else {
                bad_packets = 0;
            }
        }
    }

    // Decodes forward until `held` is the latest frame at or before `index`.
    // Returns the error that stopped decoding early, or 0.
    int decode_until(std::int64_t index) {
        while (held_index < index) {
            if (lookahead_index >= 0) {
                if (lookahead_index > index) {
                    return 0;
                }
                std::swap(held, lookahead);
                held_index = lookahead_index;
                lookahead_index = -1;
                continue;
            }
            const int result = decode_next();
            if (result < 0) {
                positioned = false;  // the decoder is drained or stuck: seek next time
                return result == AVERROR_EOF ? 0 : result;
            }
            const std::int64_t decoded = index_of_frame(scratch.get());
            if (decoded < 0) {
                unplaced = true;
                positioned = false;
                return 0;
            }
            next_unstamped = decoded + 1;
            if (decoded > index) {
                std::swap(lookahead, scratch);
                lookahead_index = decoded;
                return 0;
            }
            std::swap(held, scratch);
            held_index = decoded;
        }
        return 0;
    }

    bool can_read_forward(std::int64_t index) const {
        if (!positioned || held_index < 0 || index < held_index) {
            return false;
        }
        if (index == held_index) {
            return true;
        }
        // Decoding forward costs index - held_index frames; a seek costs a
        // seek and index - key + 1 frames.
        const std::int64_t key = key_frame_before(index);
        if (key < 0) {
            return index - held_index <= forward_without_index;
        }
        return key <= held_index + 1;
    }

    Status convert_held(std::uint32_t index) {
        converted_valid = false;
        Status status = converter.convert(*held, *stream->codecpar, turns, output_width,
                                          output_height, converted);
        if (!status) {
            return Error{"cannot convert frame " + std::to_string(index) + " of " + name() + ": " +
                         status.error()};
        }
        converted.index = index;
        converted_valid = true;
        return Status::success();
    }
};

namespace {

Status check_size(const std::string& name, std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0 || width > max_frame_dimension || height > max_frame_dimension) {
        return Error{name + " has frames of " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels, outside 1 .. " +
                     std::to_string(max_frame_dimension)};
    }
    if (std::uint64_t{bitmap_stride(width)} * height > max_frame_bytes) {
        return Error{name + " has frames of " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels, more than " +
                     std::to_string(max_frame_bytes >> 20) + " MiB each"};
    }
    return Status::success();
}

}  // namespace

Result<VideoReader> VideoReader::open(const std::filesystem::path& file) {
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
    state->audio = find_stream(*opened, AVMEDIA_TYPE_AUDIO) >= 0;
    Result<AVStream*> taken = take_stream(*opened, AVMEDIA_TYPE_VIDEO, name);
    if (!taken) {
        return Error{taken.error()};
    }
    AVStream* stream = *taken;
    state->stream = stream;
    state->stream_index = stream->index;

    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->width <= 0 || parameters->height <= 0) {
        return Error{name + " has frames of " + std::to_string(parameters->width) + " x " +
                     std::to_string(parameters->height) + " pixels, outside 1 .. " +
                     std::to_string(max_frame_dimension)};
    }
    const auto stored_width = static_cast<std::uint32_t>(parameters->width);
    const auto stored_height = static_cast<std::uint32_t>(parameters->height);
    if (Status size = check_size(name, stored_width, stored_height); !size) {
        return Error{size.error()};
    }
    Result<int> turns = quarter_turns_of(*stream);
    if (!turns) {
        return Error{"cannot read " + name + ": " + turns.error()};
    }
    state->turns = *turns;
    state->width = state->turns % 2 != 0 ? stored_height : stored_width;
    state->height = state->turns % 2 != 0 ? stored_width : stored_height;
    state->output_width = state->width;
    state->output_height = state->height;

    Result<CodecContextPtr> decoder = open_decoder(*stream, name);
    if (!decoder) {
        return Error{decoder.error()};
    }
    state->decoder = std::move(*decoder);
    state->packet.reset(av_packet_alloc());
    state->scratch.reset(av_frame_alloc());
    state->held.reset(av_frame_alloc());
    state->lookahead.reset(av_frame_alloc());
    if (!state->packet || !state->scratch || !state->held || !state->lookahead) {
        return Error{"out of memory opening " + name};
    }

    AVRational rate = stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) {
        rate = stream->r_frame_rate;
    }
    if (rate.num <= 0 || rate.den <= 0) {
        rate = av_inv_q(stream->time_base);
    }
    if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > max_frame_rate) {
        return Error{name + " does not say its frame rate"};
    }
    state->frame_rate = rate;
    state->start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;

    std::int64_t length = stream->nb_frames;
    if (length <= 0 && stream->duration > 0) {
        length = av_rescale_q(stream->duration, stream->time_base, av_inv_q(rate));
    }
    if (length <= 0 && opened->duration > 0) {
        length = av_rescale_q(opened->duration, AV_TIME_BASE_Q, av_inv_q(rate));
    }
    if (length <= 0) {
        return Error{name + " does not say how many frames it holds"};
    }
    state->length = static_cast<std::uint32_t>(std::min<std::int64_t>(length, UINT32_MAX));

    // The first frame the decoder gives is frame 0, whatever its timestamp:
    // AVI files with B-frames carry decoding times, which run ahead of the
    // pictures by the decoder's delay. The frame is kept for the first read.
    state->positioned = true;
    const int first_result = state->decode_next();
    if (first_result == 0) {
        std::int64_t first = state->scratch->best_effort_timestamp;
        if (first == AV_NOPTS_VALUE) {
            first = state->scratch->pts;
        }
        if (first != AV_NOPTS_VALUE) {
            state->start = first;
        }
        std::swap(state->held, state->scratch);
        state->held_index = 0;
        state->next_unstamped = 1;
    } else {
        state->positioned = false;
    }
    return VideoReader(std::move(state));
}

VideoReader::VideoReader(std::unique_ptr<State> state) : m_state(std::move(state)) {}
VideoReader::VideoReader(VideoReader&& other) noexcept = default;
VideoReader& VideoReader::operator=(VideoReader&& other) noexcept = default;
VideoReader::~VideoReader() = default;

std::uint32_t VideoReader::length() const {
    return m_state->length;
}
FrameRate VideoReader::rate() const {
    return {m_state->frame_rate.num, m_state->frame_rate.den};
}
std::uint32_t VideoReader::width() const {
    return m_state->width;
}
std::uint32_t VideoReader::height() const {
    return m_state->height;
}
int VideoReader::quarter_turns() const {
    return m_state->turns;
}
std::string VideoReader::codec_name() const {
    return avcodec_get_name(m_state->stream->codecpar->codec_id);
}
std::string VideoReader::container_name() const {
    return m_state->format->iformat->name;
}
Colour VideoReader::colour() const {
    return m_state->converted_valid
               ? m_state->converter.colour()
               : detail::colour_of_frame(*m_state->held, *m_state->stream->codecpar);
}
double VideoReader::start_seconds() const {
    return double(m_state->start) * av_q2d(m_state->stream->time_base);
}
bool VideoReader::has_audio() const {
    return m_state->audio;
}
const std::filesystem::path& VideoReader::file() const {
    return m_state->file;
}
std::uint64_t VideoReader::seek_count() const {
    return m_state->seeks;
}

Status VideoReader::set_output_size(std::uint32_t width, std::uint32_t height) {
    State& state = *m_state;
    if (width == 0 && height == 0) {
        width = state.width;
        height = state.height;
    }
    if (Status size = check_size("the output", width, height); !size) {
        return Error{"cannot read " + state.name() + " at that size: " + size.error()};
    }
    if (width != state.output_width || height != state.output_height) {
        state.output_width = width;
        state.output_height = height;
        state.converted_valid = false;
    }
    return Status::success();
}

Result<const VideoFrame*> VideoReader::read_frame(std::uint32_t index) {
    State& state = *m_state;
    clear_logged_error();
    index = std::min(index, state.length - 1);
    if (state.converted_valid && state.converted.index == index) {
        return &state.converted;
    }
    const auto wanted = static_cast<std::int64_t>(index);
    int result = 0;
    if (state.can_read_forward(wanted)) {
        result = state.decode_until(wanted);
    } else {
        Status sought;
        result = state.seek_and_decode(wanted, sought);
        if (!sought) {
            return Error{sought.error()};
        }
    }
    if (state.held_index < 0 && state.lookahead_index >= 0) {
        // Nothing comes before the frame: the stream starts after it.
        std::swap(state.held, state.lookahead);
        state.held_index = state.lookahead_index;
        state.lookahead_index = -1;
    }
    if (state.held_index < 0) {
        state.positioned = false;
        state.converted_valid = false;
        return Error{"cannot decode frame " + std::to_string(index) + " of " + state.name() + ": " +
                     (result < 0 ? error_text(result) : std::string("no frame could be decoded"))};
    }
    if (Status converted = state.convert_held(index); !converted) {
        return Error{converted.error()};
    }
    return &state.converted;
}

}  // namespace kdr::video
