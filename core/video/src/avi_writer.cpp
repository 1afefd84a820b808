#include "kaleidra/video/avi_writer.h"

#include <cstring>
#include <string>

#include "ffmpeg_support.h"
#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/video/avi_reader.h"
#include "kaleidra/video/encoders.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace kdr::video {

using namespace detail;

namespace {

constexpr std::uint32_t max_frames_per_second = 1000;

// Quality 0 .. 10000 onto the quantiser scale 31 .. 2 (lower is better).
int quantiser_for(std::uint32_t quality) {
    const std::uint32_t clamped = std::min<std::uint32_t>(quality, 10000);
    return 31 - static_cast<int>(clamped * 29 / 10000);
}

}  // namespace

struct AviWriter::State {
    std::filesystem::path file;
    std::unique_ptr<platform::AtomicFileWriter> target;
    IoContextPtr io;
    OutputPtr format;
    AVStream* stream = nullptr;
    CodecContextPtr encoder;  // null when frames are stored as they come
    FramePtr frame;
    PacketPtr packet;
    ScalerPtr scaler;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t frames_per_second = 0;
    std::uint32_t frames = 0;
    bool closed = false;
    bool failed = false;

    std::string name() const { return "\"" + file.string() + "\""; }

    Error failure(const std::string& what, int code) {
        failed = true;
        return Error{"cannot write " + name() + ": " + what + ": " + error_text(code)};
    }

    // Moves every packet the encoder has ready into the file.
    Status drain_encoder() {
        for (;;) {
            int result = avcodec_receive_packet(encoder.get(), packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
                return Status::success();
            }
            if (result < 0) {
                return failure("the " + std::string(encoder->codec->name) + " encoder failed",
                               result);
            }
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            result = av_write_frame(format.get(), packet.get());
            av_packet_unref(packet.get());
            if (result < 0) {
                return failure("writing a frame failed", result);
            }
        }
    }
};

std::size_t AviWriter::frame_size(std::uint32_t width, std::uint32_t height) {
    return std::size_t{(width * 3 + 3) / 4 * 4} * height;
}

Result<AviWriter> AviWriter::create(const std::filesystem::path& file, std::uint32_t width,
                                    std::uint32_t height, std::uint32_t frames_per_second,
                                    const CompressOptions& options) {
    prepare_ffmpeg();
    clear_logged_error();
    auto state = std::make_unique<State>();
    state->file = file;
    state->width = width;
    state->height = height;
    state->frames_per_second = frames_per_second;
    const std::string name = state->name();

    if (width == 0 || height == 0 || width > max_frame_dimension || height > max_frame_dimension) {
        return Error{"cannot write " + name + ": frames of " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels are outside 1 .. " +
                     std::to_string(max_frame_dimension)};
    }
    if (frames_per_second == 0 || frames_per_second > max_frames_per_second) {
        return Error{"cannot write " + name + ": " + std::to_string(frames_per_second) +
                     " frames per second is outside 1 .. " + std::to_string(max_frames_per_second)};
    }
    const EncoderInfo* choice = find_encoder(options.handler);
    if (choice == nullptr) {
        std::string known;
        for (const EncoderInfo& entry : list_encoders()) {
            known += (known.empty() ? "\"" : ", \"") + fourcc_text(entry.handler) + "\"";
        }
        return Error{"cannot write " + name + ": the compressor \"" + fourcc_text(options.handler) +
                     "\" is not supported (choose one of " + known + ")"};
    }
    if (!choice->available) {
        return Error{"cannot write " + name + ": this build of FFmpeg has no " + choice->name +
                     " encoder (\"" + choice->codec + "\")"};
    }
    const bool raw = choice->codec == "rawvideo";
    if (choice->codec == "msvideo1" && (width % 4 != 0 || height % 4 != 0)) {
        return Error{"cannot write " + name + ": " + choice->name +
                     " needs a width and height that are multiples of 4, not " +
                     std::to_string(width) + " x " + std::to_string(height)};
    }

    state->target = std::make_unique<platform::AtomicFileWriter>(file);
    if (Status opened = state->target->open(); !opened) {
        return Error{opened.error()};
    }
    state->io = open_output_io(*state->target);
    if (!state->io) {
        return Error{"out of memory writing " + name};
    }
    AVFormatContext* format = nullptr;
    int result = avformat_alloc_output_context2(&format, nullptr, "avi", nullptr);
    if (result < 0) {
        return Error{"cannot write " + name + ": no AVI muxer: " + error_text(result)};
    }
    state->format.reset(format);
    format->pb = state->io.get();
    state->stream = avformat_new_stream(format, nullptr);
    state->packet.reset(av_packet_alloc());
    if (state->stream == nullptr || !state->packet) {
        return Error{"out of memory writing " + name};
    }
    const AVRational frame_time{1, static_cast<int>(frames_per_second)};
    state->stream->time_base = frame_time;
    state->stream->avg_frame_rate = av_inv_q(frame_time);

    AVCodecParameters* parameters = state->stream->codecpar;
    if (raw) {
        parameters->codec_type = AVMEDIA_TYPE_VIDEO;
        parameters->codec_id = AV_CODEC_ID_RAWVIDEO;
        parameters->codec_tag = 0;
        parameters->format = AV_PIX_FMT_BGR24;
        parameters->bits_per_coded_sample = 24;
        parameters->width = static_cast<int>(width);
        parameters->height = static_cast<int>(height);
    } else {
        const AVCodec* codec = avcodec_find_encoder_by_name(choice->codec.c_str());
        state->encoder.reset(avcodec_alloc_context3(codec));
        state->frame.reset(av_frame_alloc());
        if (!state->encoder || !state->frame) {
            return Error{"out of memory writing " + name};
        }
        AVCodecContext* encoder = state->encoder.get();
        encoder->width = static_cast<int>(width);
        encoder->height = static_cast<int>(height);
        encoder->time_base = frame_time;
        encoder->framerate = av_inv_q(frame_time);
        // Every frame a key frame. MS Video 1 makes a key frame whenever
        // the frames since the last one reach keyint_min, so it needs 0.
        encoder->gop_size = 1;
        encoder->keyint_min = choice->codec == "msvideo1" ? 0 : 1;
        encoder->max_b_frames = 0;
        if (choice->codec == "mjpeg") {
            // The layout every Motion JPEG decoder reads.
            encoder->pix_fmt = AV_PIX_FMT_YUVJ420P;
        } else {
            encoder->pix_fmt =
                avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr);
        }
        if (options.quality != quality_default && choice->takes_quality) {
            encoder->flags |= AV_CODEC_FLAG_QSCALE;
            encoder->global_quality = FF_QP2LAMBDA * quantiser_for(options.quality);
        }
        if (format->oformat->flags & AVFMT_GLOBALHEADER) {
            encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        result = avcodec_open2(encoder, codec, nullptr);
        if (result < 0) {
            return Error{"cannot write " + name + ": the " + choice->name + " encoder refuses " +
                         std::to_string(width) + " x " + std::to_string(height) +
                         " frames: " + error_text(result)};
        }
        result = avcodec_parameters_from_context(parameters, encoder);
        if (result < 0) {
            return Error{"cannot write " + name + ": " + error_text(result)};
        }
        AVFrame* frame = state->frame.get();
        frame->format = encoder->pix_fmt;
        frame->width = encoder->width;
        frame->height = encoder->height;
        result = av_frame_get_buffer(frame, 0);
        if (result < 0) {
            return Error{"out of memory writing " + name};
        }
        state->scaler.reset(sws_getContext(
            static_cast<int>(width), static_cast<int>(height), AV_PIX_FMT_BGR24,
            static_cast<int>(width), static_cast<int>(height), encoder->pix_fmt,
            SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr));
        if (!state->scaler) {
            return Error{"cannot write " + name + ": no conversion to the " + choice->name +
                         " encoder's pixel format"};
        }
    }

    AVDictionary* muxer_options = nullptr;
    // Full frames are stored as they come: bottom row first.
    av_dict_set(&muxer_options, "flipped_raw_rgb", "1", 0);
    result = avformat_write_header(format, &muxer_options);
    av_dict_free(&muxer_options);
    if (result < 0) {
        return Error{"cannot write " + name + ": the AVI header: " + error_text(result)};
    }
    return AviWriter(std::move(state));
}

AviWriter::AviWriter(std::unique_ptr<State> state) : m_state(std::move(state)) {}
AviWriter::AviWriter(AviWriter&& other) noexcept = default;
AviWriter& AviWriter::operator=(AviWriter&& other) noexcept = default;
AviWriter::~AviWriter() = default;

std::uint32_t AviWriter::frames_written() const {
    return m_state->frames;
}

Status AviWriter::write_frame(const std::uint8_t* pixels, std::size_t size) {
    State& state = *m_state;
    clear_logged_error();
    if (state.closed || state.failed) {
        return Error{"cannot write " + state.name() + ": the movie is already " +
                     (state.closed ? "closed" : "broken by an earlier error")};
    }
    const std::size_t expected = frame_size(state.width, state.height);
    if (pixels == nullptr || size != expected) {
        return Error{"cannot write " + state.name() + ": a frame of " + std::to_string(size) +
                     " bytes was given, " + std::to_string(expected) + " expected"};
    }
    const std::int64_t index = state.frames;
    if (!state.encoder) {
        AVPacket* packet = state.packet.get();
        int result = av_new_packet(packet, static_cast<int>(size));
        if (result < 0) {
            return state.failure("out of memory", result);
        }
        std::memcpy(packet->data, pixels, size);
        packet->pts = packet->dts =
            av_rescale_q(index, AVRational{1, static_cast<int>(state.frames_per_second)},
                         state.stream->time_base);
        packet->duration = 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        packet->stream_index = state.stream->index;
        result = av_write_frame(state.format.get(), packet);
        av_packet_unref(packet);
        if (result < 0) {
            return state.failure("writing frame " + std::to_string(index) + " failed", result);
        }
    } else {
        AVFrame* frame = state.frame.get();
        int result = av_frame_make_writable(frame);
        if (result < 0) {
            return state.failure("out of memory", result);
        }
        const int stride = static_cast<int>((state.width * 3 + 3) / 4 * 4);
        // Reading from the last stored row upwards gives the picture top down.
        const std::uint8_t* planes[4] = {pixels + std::size_t(stride) * (state.height - 1), nullptr,
                                         nullptr, nullptr};
        const int strides[4] = {-stride, 0, 0, 0};
        sws_scale(state.scaler.get(), planes, strides, 0, static_cast<int>(state.height),
                  frame->data, frame->linesize);
        frame->pts = index;
        // Encoders that take a fixed quantiser read it from each frame.
        frame->quality = state.encoder->global_quality;
        frame->pict_type = AV_PICTURE_TYPE_I;
        frame->key_frame = 1;
        result = avcodec_send_frame(state.encoder.get(), frame);
        if (result < 0) {
            return state.failure("encoding frame " + std::to_string(index) + " failed", result);
        }
        if (Status drained = state.drain_encoder(); !drained) {
            return drained;
        }
    }
    ++state.frames;
    return Status::success();
}

Status AviWriter::close() {
    State& state = *m_state;
    clear_logged_error();
    if (state.closed) {
        return Status::success();
    }
    if (state.failed) {
        return Error{"cannot finish " + state.name() + ": an earlier write failed"};
    }
    if (state.encoder) {
        avcodec_send_frame(state.encoder.get(), nullptr);
        if (Status drained = state.drain_encoder(); !drained) {
            return drained;
        }
    }
    int result = av_write_trailer(state.format.get());
    if (result < 0) {
        return state.failure("finishing the file failed", result);
    }
    avio_flush(state.io.get());
    if (state.io->error < 0) {
        return state.failure("writing the file failed", state.io->error);
    }
    if (Status committed = state.target->commit(); !committed) {
        state.failed = true;
        return committed;
    }
    state.closed = true;
    return Status::success();
}

}  // namespace kdr::video
