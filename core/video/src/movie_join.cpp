#include "kaleidra/video/movie_join.h"

#include <algorithm>
#include <string>

#include "ffmpeg_support.h"
#include "kaleidra/platform/atomic_file.h"

namespace kdr::video {

using namespace detail;

namespace {

std::string quoted(const std::filesystem::path& file) {
    return "\"" + file.string() + "\"";
}

struct Part {
    InputPtr format;
    int stream = -1;
};

Result<Part> open_part(const std::filesystem::path& file) {
    AVFormatContext* raw = nullptr;
    int result = avformat_open_input(&raw, file.c_str(), nullptr, nullptr);
    if (result < 0) {
        return Error{"cannot open " + quoted(file) + ": " + error_text(result)};
    }
    Part part{InputPtr(raw), -1};
    result = avformat_find_stream_info(raw, nullptr);
    if (result < 0) {
        return Error{"cannot read " + quoted(file) + ": " + error_text(result)};
    }
    part.stream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (part.stream < 0) {
        return Error{quoted(file) + " holds no video"};
    }
    return part;
}

// Why `other` cannot follow `first` without decoding, or empty.
std::string mismatch(const AVStream& first, const AVStream& other) {
    const AVCodecParameters& a = *first.codecpar;
    const AVCodecParameters& b = *other.codecpar;
    if (a.codec_id != b.codec_id || a.codec_tag != b.codec_tag) {
        return std::string("it was compressed with ") + avcodec_get_name(b.codec_id) + ", not " +
               avcodec_get_name(a.codec_id);
    }
    if (a.width != b.width || a.height != b.height) {
        return "its frames are " + std::to_string(b.width) + " x " + std::to_string(b.height) +
               ", not " + std::to_string(a.width) + " x " + std::to_string(a.height);
    }
    if (a.format != b.format || a.bits_per_coded_sample != b.bits_per_coded_sample) {
        return "its pixels are laid out differently";
    }
    if (av_cmp_q(first.time_base, other.time_base) != 0 ||
        av_cmp_q(first.avg_frame_rate, other.avg_frame_rate) != 0) {
        return "its frame rate differs";
    }
    return {};
}

}  // namespace

Result<JoinSummary> join_movies(const std::filesystem::path& output,
                                const std::vector<std::filesystem::path>& files) {
    prepare_ffmpeg();
    clear_logged_error();
    if (files.empty()) {
        return Error{"no movies to join"};
    }
    std::vector<Part> parts;
    for (const std::filesystem::path& file : files) {
        Result<Part> part = open_part(file);
        if (!part) {
            return Error{part.error()};
        }
        if (!parts.empty()) {
            const std::string why = mismatch(*parts[0].format->streams[parts[0].stream],
                                             *part->format->streams[part->stream]);
            if (!why.empty()) {
                return Error{quoted(file) + " cannot follow " + quoted(files[0]) + ": " + why};
            }
        }
        parts.push_back(std::move(*part));
    }
    const AVStream& model = *parts[0].format->streams[parts[0].stream];
    const AVRational input_base = model.time_base;

    platform::AtomicFileWriter target(output);
    if (Status opened = target.open(); !opened) {
        return Error{opened.error()};
    }
    IoContextPtr io = open_output_io(target);
    if (!io) {
        return Error{"out of memory"};
    }
    AVFormatContext* raw_output = nullptr;
    int result = avformat_alloc_output_context2(&raw_output, nullptr, "avi", nullptr);
    if (result < 0) {
        return Error{"no AVI muxer: " + error_text(result)};
    }
    OutputPtr muxer(raw_output);
    muxer->pb = io.get();
    AVStream* stream = avformat_new_stream(muxer.get(), nullptr);
    PacketPtr packet(av_packet_alloc());
    if (stream == nullptr || !packet) {
        return Error{"out of memory"};
    }
    result = avcodec_parameters_copy(stream->codecpar, model.codecpar);
    if (result < 0) {
        return Error{"cannot copy the stream's description: " + error_text(result)};
    }
    stream->time_base = input_base;
    stream->avg_frame_rate = model.avg_frame_rate;
    stream->r_frame_rate = model.r_frame_rate;
    const std::string name = quoted(output);
    result = avformat_write_header(muxer.get(), nullptr);
    if (result < 0) {
        return Error{"cannot write " + name + ": " + error_text(result)};
    }

    JoinSummary summary;
    std::int64_t offset = 0;  // where the next part starts, in the input time base
    for (std::size_t i = 0; i < parts.size(); ++i) {
        AVFormatContext* input = parts[i].format.get();
        std::int64_t part_end = 0;
        bool first = true;
        while ((result = av_read_frame(input, packet.get())) >= 0) {
            if (packet->stream_index != parts[i].stream) {
                av_packet_unref(packet.get());
                continue;
            }
            if (first && !(packet->flags & AV_PKT_FLAG_KEY)) {
                av_packet_unref(packet.get());
                return Error{quoted(files[i]) + " does not start with a key frame"};
            }
            first = false;
            const std::int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (time == AV_NOPTS_VALUE) {
                av_packet_unref(packet.get());
                return Error{quoted(files[i]) + " has a frame without a time"};
            }
            const std::int64_t duration = packet->duration > 0 ? packet->duration : 1;
            part_end = std::max(part_end, time + duration);
            packet->pts = av_rescale_q(time + offset, input_base, stream->time_base);
            packet->dts = packet->pts;
            packet->duration = av_rescale_q(duration, input_base, stream->time_base);
            packet->stream_index = stream->index;
            packet->pos = -1;
            result = av_write_frame(muxer.get(), packet.get());
            av_packet_unref(packet.get());
            if (result < 0) {
                return Error{"cannot write " + name + ": " + error_text(result)};
            }
            ++summary.frames;
        }
        if (result != AVERROR_EOF) {
            return Error{"cannot read " + quoted(files[i]) + ": " + error_text(result)};
        }
        offset += part_end;
        ++summary.parts;
    }
    result = av_write_trailer(muxer.get());
    if (result < 0) {
        return Error{"cannot finish " + name + ": " + error_text(result)};
    }
    avio_flush(io.get());
    if (io->error < 0) {
        return Error{"cannot write " + name + ": " + error_text(io->error)};
    }
    if (Status committed = target.commit(); !committed) {
        return Error{committed.error()};
    }
    return summary;
}

}  // namespace kdr::video
