#include "kaleidra/video/movie_join.h"

#include <algorithm>
#include <string>

#include "ffmpeg_support.h"
#include "muxer.h"

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
    Result<InputPtr> format = open_input_file(file);
    if (!format) {
        return Error{format.error()};
    }
    Part part{std::move(*format), -1};
    part.stream = find_stream(*part.format, AVMEDIA_TYPE_VIDEO);
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

    Result<std::unique_ptr<Muxer>> opened = Muxer::create(output, "avi");
    if (!opened) {
        return Error{opened.error()};
    }
    Muxer& muxer = **opened;
    AVStream* stream = muxer.add_stream();
    PacketPtr packet(av_packet_alloc());
    if (stream == nullptr || !packet) {
        return Error{"out of memory"};
    }
    int result = avcodec_parameters_copy(stream->codecpar, model.codecpar);
    if (result < 0) {
        return Error{"cannot copy the stream's description: " + error_text(result)};
    }
    stream->time_base = input_base;
    stream->avg_frame_rate = model.avg_frame_rate;
    stream->r_frame_rate = model.r_frame_rate;
    if (Status started = muxer.start(); !started) {
        return Error{started.error()};
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
            packet->pts = time + offset;
            packet->dts = packet->pts;
            packet->duration = duration;
            packet->pos = -1;
            if (Status written = muxer.write(packet.get(), input_base, *stream); !written) {
                return Error{written.error()};
            }
            ++summary.frames;
        }
        if (result != AVERROR_EOF) {
            return Error{"cannot read " + quoted(files[i]) + ": " + error_text(result)};
        }
        offset += part_end;
        ++summary.parts;
    }
    if (Status finished = muxer.finish(); !finished) {
        return Error{finished.error()};
    }
    return summary;
}

}  // namespace kdr::video
