#include "kaleidra/video/movie_writer.h"

#include <cstring>
#include <string>

#include "audio_encoder.h"
#include "colour_tags.h"
#include "ffmpeg_support.h"
#include "kaleidra/video/video_frame.h"
#include "muxer.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace kdr::video {

using namespace detail;

namespace {

std::string pixel_format_name(AVPixelFormat format) {
    const char* name = av_get_pix_fmt_name(format);
    return name != nullptr ? name : "unknown";
}

// The pixel formats an encoder takes, for messages.
std::string pixel_formats_of(const AVCodec* codec) {
    std::string names;
    for (const AVPixelFormat* f = codec->pix_fmts; f != nullptr && *f != AV_PIX_FMT_NONE; ++f) {
        names += (names.empty() ? "" : ", ") + pixel_format_name(*f);
    }
    return names;
}

bool takes_pixel_format(const AVCodec* codec, AVPixelFormat format) {
    if (codec->pix_fmts == nullptr) {
        return true;
    }
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == format) {
            return true;
        }
    }
    return false;
}

}  // namespace

struct MovieWriter::State {
    std::filesystem::path file;
    std::unique_ptr<Muxer> muxer;
    AVStream* stream = nullptr;
    CodecContextPtr encoder;  // null when frames are stored as they come
    FramePtr frame;
    PacketPtr packet;
    ScalerPtr scaler;
    std::unique_ptr<AudioEncoder> audio;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    AVRational frame_time{1, 30};  // the duration of a frame
    bool every_frame_key = false;
    std::uint32_t frames = 0;
    bool closed = false;
    bool failed = false;

    std::string name() const { return "\"" + file.string() + "\""; }

    Error refusal(const std::string& why) const {
        return Error{"cannot write " + name() + ": " + why};
    }

    Error failure(const std::string& what, int code) {
        failed = true;
        return Error{"cannot write " + name() + ": " + what + ": " + error_text(code)};
    }

    Status write_packet(AVPacket* packet, AVRational time_base, AVStream* to) {
        Status written = muxer->write(packet, time_base, *to);
        failed = failed || !written;
        return written;
    }

    AudioEncoder::PacketSink audio_sink() {
        return [this](AVPacket* packet, AVRational time_base) {
            return write_packet(packet, time_base, audio->stream());
        };
    }

    // Moves every packet the video encoder has ready into the file.
    Status drain_encoder() {
        for (;;) {
            const int result = avcodec_receive_packet(encoder.get(), packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
                return Status::success();
            }
            if (result < 0) {
                return failure("the " + std::string(encoder->codec->name) + " encoder failed",
                               result);
            }
            if (Status status = write_packet(packet.get(), encoder->time_base, stream); !status) {
                return status;
            }
        }
    }
};

namespace {

// The encoder's pixel format and, for YCbCr, the colour it is converted to.
Result<AVPixelFormat> choose_pixel_format(const VideoEncoding& encoding, const AVCodec* codec,
                                          std::uint32_t width, std::uint32_t height) {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    if (!encoding.pixel_format.empty()) {
        format = av_get_pix_fmt(encoding.pixel_format.c_str());
        if (format == AV_PIX_FMT_NONE) {
            return Error{"\"" + encoding.pixel_format + "\" is no pixel format"};
        }
        if (!takes_pixel_format(codec, format)) {
            return Error{"the " + std::string(codec->name) + " encoder does not take " +
                         encoding.pixel_format + " (it takes " + pixel_formats_of(codec) + ")"};
        }
    } else {
        format = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr);
    }
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    if (descriptor == nullptr) {
        return Error{"the " + std::string(codec->name) + " encoder names no pixel format"};
    }
    const std::uint32_t across = 1u << descriptor->log2_chroma_w;
    const std::uint32_t down = 1u << descriptor->log2_chroma_h;
    if (width % across != 0 || height % down != 0) {
        return Error{pixel_format_name(format) + " needs a width that is a multiple of " +
                     std::to_string(across) + " and a height that is a multiple of " +
                     std::to_string(down) + ", not " + std::to_string(width) + " x " +
                     std::to_string(height) + " (choose another --size, or --pix-fmt yuv444p)"};
    }
    return format;
}

}  // namespace

std::size_t MovieWriter::frame_size(std::uint32_t width, std::uint32_t height) {
    return std::size_t{bitmap_stride(width)} * height;
}

Result<MovieWriter> MovieWriter::create(const std::filesystem::path& file,
                                        const MovieSettings& settings) {
    prepare_ffmpeg();
    clear_logged_error();
    auto state = std::make_unique<State>();
    state->file = file;
    state->width = settings.width;
    state->height = settings.height;
    const std::uint32_t width = settings.width;
    const std::uint32_t height = settings.height;
    const VideoEncoding& encoding = settings.video;

    if (width == 0 || height == 0 || width > max_frame_dimension || height > max_frame_dimension) {
        return state->refusal("frames of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels are outside 1 .. " +
                              std::to_string(max_frame_dimension));
    }
    if (!settings.rate.valid() || settings.rate.value() > max_frame_rate) {
        return state->refusal(settings.rate.text() + " frames a second is outside 0 .. " +
                              std::to_string(static_cast<int>(max_frame_rate)));
    }
    state->frame_time = AVRational{settings.rate.den, settings.rate.num};
    state->every_frame_key = encoding.every_frame_key;

    Result<std::unique_ptr<Muxer>> muxer = Muxer::create(file, settings.container);
    if (!muxer) {
        return Error{muxer.error()};
    }
    state->muxer = std::move(*muxer);
    AVFormatContext* format = state->muxer->format();
    state->stream = state->muxer->add_stream();
    state->packet.reset(av_packet_alloc());
    if (state->stream == nullptr || !state->packet) {
        return state->refusal("out of memory");
    }
    state->stream->time_base = state->frame_time;
    state->stream->avg_frame_rate = av_inv_q(state->frame_time);
    state->stream->r_frame_rate = av_inv_q(state->frame_time);

    AVCodecParameters* parameters = state->stream->codecpar;
    if (encoding.stored_as_given) {
        parameters->codec_type = AVMEDIA_TYPE_VIDEO;
        parameters->codec_id = AV_CODEC_ID_RAWVIDEO;
        parameters->codec_tag = 0;
        parameters->format = AV_PIX_FMT_BGR24;
        parameters->bits_per_coded_sample = 24;
        parameters->width = static_cast<int>(width);
        parameters->height = static_cast<int>(height);
    } else {
        const AVCodec* codec = avcodec_find_encoder_by_name(encoding.encoder.c_str());
        if (codec == nullptr || codec->type != AVMEDIA_TYPE_VIDEO) {
            return state->refusal("this build of FFmpeg has no video encoder \"" +
                                  encoding.encoder + "\"");
        }
        if (avformat_query_codec(format->oformat, codec->id, FF_COMPLIANCE_NORMAL) == 0) {
            return state->refusal("a " + std::string(format->oformat->name) + " file cannot hold " +
                                  avcodec_get_name(codec->id) + " video");
        }
        Result<AVPixelFormat> pixel_format = choose_pixel_format(encoding, codec, width, height);
        if (!pixel_format) {
            return state->refusal(pixel_format.error());
        }
        state->encoder.reset(avcodec_alloc_context3(codec));
        state->frame.reset(av_frame_alloc());
        if (!state->encoder || !state->frame) {
            return state->refusal("out of memory");
        }
        AVCodecContext* encoder = state->encoder.get();
        encoder->width = static_cast<int>(width);
        encoder->height = static_cast<int>(height);
        encoder->time_base = state->frame_time;
        encoder->framerate = av_inv_q(state->frame_time);
        encoder->pix_fmt = *pixel_format;
        if (encoding.bit_rate > 0) {
            // Otherwise the encoder's own default stands: the AVI compressors
            // have always been rate-controlled by it.
            encoder->bit_rate = encoding.bit_rate;
        }
        encoder->thread_count = encoding.threads;
        if (encoding.every_frame_key) {
            encoder->gop_size = 1;
            encoder->keyint_min = 1;
            encoder->max_b_frames = 0;
        }
        if (encoding.quantiser) {
            encoder->flags |= AV_CODEC_FLAG_QSCALE;
            encoder->global_quality = FF_QP2LAMBDA * *encoding.quantiser;
        }
        const bool rgb = is_rgb_format(*pixel_format);
        if (encoding.colour) {
            const ColourTags tags =
                tags_for(rgb ? Colour{ColourMatrix::rgb, ColourRange::full} : *encoding.colour);
            encoder->colorspace = tags.space;
            encoder->color_primaries = tags.primaries;
            encoder->color_trc = tags.transfer;
            encoder->color_range = tags.range;
        }
        if (format->oformat->flags & AVFMT_GLOBALHEADER) {
            encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        AVDictionary* options = nullptr;
        for (const auto& [option, value] : encoding.options) {
            av_dict_set(&options, option.c_str(), value.c_str(), 0);
        }
        int result = avcodec_open2(encoder, codec, &options);
        const AVDictionaryEntry* unknown = av_dict_get(options, "", nullptr, AV_DICT_IGNORE_SUFFIX);
        const std::string unknown_name = unknown != nullptr ? unknown->key : "";
        av_dict_free(&options);
        if (result < 0) {
            return state->refusal("the " + std::string(codec->name) + " encoder refuses " +
                                  std::to_string(width) + " x " + std::to_string(height) +
                                  " frames: " + error_text(result));
        }
        if (!unknown_name.empty()) {
            return state->refusal("the " + std::string(codec->name) + " encoder has no option \"" +
                                  unknown_name + "\"");
        }
        result = avcodec_parameters_from_context(parameters, encoder);
        if (result < 0) {
            return state->refusal(error_text(result));
        }
        if (encoding.codec_tag.size() == 4) {
            parameters->codec_tag = MKTAG(encoding.codec_tag[0], encoding.codec_tag[1],
                                          encoding.codec_tag[2], encoding.codec_tag[3]);
        }
        AVFrame* frame = state->frame.get();
        frame->format = encoder->pix_fmt;
        frame->width = encoder->width;
        frame->height = encoder->height;
        // Some encoders (ProRes) take the tags from each frame.
        frame->colorspace = encoder->colorspace;
        frame->color_primaries = encoder->color_primaries;
        frame->color_trc = encoder->color_trc;
        frame->color_range = encoder->color_range;
        if (av_frame_get_buffer(frame, 0) < 0) {
            return state->refusal("out of memory");
        }
        state->scaler.reset(
            sws_getContext(static_cast<int>(width), static_cast<int>(height), AV_PIX_FMT_BGR24,
                           static_cast<int>(width), static_cast<int>(height), encoder->pix_fmt,
                           // As in reading: the vector path, not exact rounding.
                           SWS_BICUBIC | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr));
        if (!state->scaler) {
            return state->refusal("no conversion to the " + std::string(codec->name) +
                                  " encoder's pixel format");
        }
        if (encoding.colour && !rgb) {
            sws_setColorspaceDetails(state->scaler.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                     coefficients_for(encoding.colour->matrix),
                                     encoding.colour->range == ColourRange::full ? 1 : 0, 0,
                                     1 << 16, 1 << 16);
        }
    }

    if (settings.audio) {
        Result<std::unique_ptr<AudioEncoder>> audio = AudioEncoder::open(*settings.audio, format);
        if (!audio) {
            return state->refusal(audio.error());
        }
        state->audio = std::move(*audio);
        if (avformat_query_codec(format->oformat, state->audio->stream()->codecpar->codec_id,
                                 FF_COMPLIANCE_NORMAL) == 0) {
            return state->refusal("a " + std::string(format->oformat->name) + " file cannot hold " +
                                  settings.audio->encoder + " audio");
        }
    }

    std::vector<std::pair<std::string, std::string>> muxer_options;
    if (encoding.stored_as_given) {
        // Full frames are stored as they come: bottom row first.
        muxer_options.emplace_back("flipped_raw_rgb", "1");
    }
    if (Status started = state->muxer->start(muxer_options); !started) {
        return Error{started.error()};
    }
    return MovieWriter(std::move(state));
}

MovieWriter::MovieWriter(std::unique_ptr<State> state) : m_state(std::move(state)) {}
MovieWriter::MovieWriter(MovieWriter&& other) noexcept = default;
MovieWriter& MovieWriter::operator=(MovieWriter&& other) noexcept = default;
MovieWriter::~MovieWriter() = default;

std::uint32_t MovieWriter::frames_written() const {
    return m_state->frames;
}

std::uint64_t MovieWriter::audio_frames_written() const {
    return m_state->audio ? m_state->audio->frames_pushed() : 0;
}

Status MovieWriter::write_frame(const std::uint8_t* pixels, std::size_t size) {
    State& state = *m_state;
    clear_logged_error();
    if (state.closed || state.failed) {
        return state.refusal(std::string("the movie is already ") +
                             (state.closed ? "closed" : "broken by an earlier error"));
    }
    const std::size_t expected = frame_size(state.width, state.height);
    if (pixels == nullptr || size != expected) {
        return state.refusal("a frame of " + std::to_string(size) + " bytes was given, " +
                             std::to_string(expected) + " expected");
    }
    const std::int64_t index = state.frames;
    if (!state.encoder) {
        AVPacket* packet = state.packet.get();
        int result = av_new_packet(packet, static_cast<int>(size));
        if (result < 0) {
            return state.failure("out of memory", result);
        }
        std::memcpy(packet->data, pixels, size);
        packet->pts = packet->dts = index;
        packet->duration = 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        if (Status status = state.write_packet(packet, state.frame_time, state.stream); !status) {
            return status;
        }
    } else {
        AVFrame* frame = state.frame.get();
        int result = av_frame_make_writable(frame);
        if (result < 0) {
            return state.failure("out of memory", result);
        }
        const int stride = static_cast<int>(bitmap_stride(state.width));
        // Reading from the last stored row upwards gives the picture top down.
        const std::uint8_t* planes[4] = {pixels + std::size_t(stride) * (state.height - 1), nullptr,
                                         nullptr, nullptr};
        const int strides[4] = {-stride, 0, 0, 0};
        sws_scale(state.scaler.get(), planes, strides, 0, static_cast<int>(state.height),
                  frame->data, frame->linesize);
        frame->pts = index;
        // Encoders that take a fixed quantiser read it from each frame.
        frame->quality = state.encoder->global_quality;
        frame->pict_type = state.every_frame_key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        frame->key_frame = state.every_frame_key ? 1 : 0;
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

Status MovieWriter::write_audio(const float* samples, std::size_t frames) {
    State& state = *m_state;
    clear_logged_error();
    if (!state.audio) {
        return state.refusal("the movie has no audio stream");
    }
    if (state.closed || state.failed) {
        return state.refusal(std::string("the movie is already ") +
                             (state.closed ? "closed" : "broken by an earlier error"));
    }
    Status status = state.audio->push(samples, frames, state.audio_sink());
    if (!status) {
        state.failed = true;
        return state.refusal(status.error());
    }
    return Status::success();
}

Status MovieWriter::close() {
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
    if (state.audio) {
        if (Status finished = state.audio->finish(state.audio_sink()); !finished) {
            state.failed = true;
            return state.refusal(finished.error());
        }
    }
    if (Status finished = state.muxer->finish(); !finished) {
        state.failed = true;
        return finished;
    }
    state.closed = true;
    return Status::success();
}

}  // namespace kdr::video
