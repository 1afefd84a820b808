#include "audio_encoder.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace kdr::video::detail {
namespace {

// Sample frames given to encoders that take any number.
constexpr std::size_t free_frame_size = 1024;

bool takes(const AVCodec* codec, AVSampleFormat format) {
    if (codec->sample_fmts == nullptr) {
        return format == AV_SAMPLE_FMT_FLTP;
    }
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == format) {
            return true;
        }
    }
    return false;
}

std::int16_t to_s16(float sample) {
    const float clamped = std::clamp(sample, -1.0f, 1.0f);
    return static_cast<std::int16_t>(std::lrint(clamped * 32767.0f));
}

}  // namespace

Result<std::unique_ptr<AudioEncoder>> AudioEncoder::open(const AudioEncoding& encoding,
                                                         AVFormatContext* format) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoding.encoder.c_str());
    if (codec == nullptr || codec->type != AVMEDIA_TYPE_AUDIO) {
        return Error{"this build of FFmpeg has no audio encoder \"" + encoding.encoder + "\""};
    }
    AVSampleFormat sample_format = AV_SAMPLE_FMT_NONE;
    for (AVSampleFormat wanted :
         {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P}) {
        if (takes(codec, wanted)) {
            sample_format = wanted;
            break;
        }
    }
    if (sample_format == AV_SAMPLE_FMT_NONE) {
        return Error{"the audio encoder \"" + encoding.encoder +
                     "\" takes no float or 16-bit samples"};
    }
    if (codec->supported_samplerates != nullptr) {
        bool found = false;
        for (const int* rate = codec->supported_samplerates; *rate != 0; ++rate) {
            found = found || *rate == movie_sample_rate;
        }
        if (!found) {
            return Error{"the audio encoder \"" + encoding.encoder + "\" cannot take 48 kHz"};
        }
    }

    std::unique_ptr<AudioEncoder> audio(new AudioEncoder);
    audio->m_encoder.reset(avcodec_alloc_context3(codec));
    audio->m_frame.reset(av_frame_alloc());
    audio->m_packet.reset(av_packet_alloc());
    audio->m_stream = avformat_new_stream(format, nullptr);
    if (!audio->m_encoder || !audio->m_frame || !audio->m_packet || audio->m_stream == nullptr) {
        return Error{"out of memory opening the audio encoder"};
    }
    AVCodecContext* encoder = audio->m_encoder.get();
    encoder->sample_fmt = sample_format;
    encoder->sample_rate = movie_sample_rate;
    encoder->time_base = AVRational{1, movie_sample_rate};
    av_channel_layout_default(&encoder->ch_layout, movie_channels);
    encoder->bit_rate = encoding.bit_rate;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) {
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int result = avcodec_open2(encoder, codec, nullptr);
    if (result < 0) {
        return Error{"cannot open the audio encoder \"" + encoding.encoder +
                     "\": " + error_text(result)};
    }
    result = avcodec_parameters_from_context(audio->m_stream->codecpar, encoder);
    if (result < 0) {
        return Error{"cannot describe the audio stream: " + error_text(result)};
    }
    audio->m_stream->time_base = encoder->time_base;
    const bool any_size =
        (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0 || encoder->frame_size <= 0;
    audio->m_frame_size =
        any_size ? free_frame_size : static_cast<std::size_t>(encoder->frame_size);
    audio->m_short_last = any_size || (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
    return audio;
}

AudioEncoder::~AudioEncoder() = default;

Status AudioEncoder::push(const float* samples, std::size_t frames, const PacketSink& sink) {
    m_pending.insert(m_pending.end(), samples, samples + frames * movie_channels);
    m_pushed += frames;
    while (m_pending.size() >= m_frame_size * movie_channels) {
        if (Status status = encode(m_frame_size, sink); !status) {
            return status;
        }
    }
    return Status::success();
}

Status AudioEncoder::finish(const PacketSink& sink) {
    if (!m_pending.empty()) {
        std::size_t frames = m_pending.size() / movie_channels;
        if (!m_short_last) {
            m_pending.resize(m_frame_size * movie_channels, 0.0f);
            frames = m_frame_size;
        }
        if (Status status = encode(frames, sink); !status) {
            return status;
        }
    }
    const int result = avcodec_send_frame(m_encoder.get(), nullptr);
    if (result < 0 && result != AVERROR_EOF) {
        return Error{"the audio encoder failed: " + error_text(result)};
    }
    return drain(sink);
}

// Encodes the first `frames` sample frames of m_pending.
Status AudioEncoder::encode(std::size_t frames, const PacketSink& sink) {
    AVFrame* frame = m_frame.get();
    av_frame_unref(frame);
    frame->format = m_encoder->sample_fmt;
    frame->sample_rate = movie_sample_rate;
    frame->nb_samples = static_cast<int>(frames);
    int result = av_channel_layout_copy(&frame->ch_layout, &m_encoder->ch_layout);
    if (result >= 0) {
        result = av_frame_get_buffer(frame, 0);
    }
    if (result < 0) {
        return Error{"out of memory for audio: " + error_text(result)};
    }
    const float* in = m_pending.data();
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < movie_channels; ++c) {
            const float sample = in[i * movie_channels + static_cast<std::size_t>(c)];
            switch (m_encoder->sample_fmt) {
                case AV_SAMPLE_FMT_FLTP:
                    reinterpret_cast<float*>(frame->extended_data[c])[i] = sample;
                    break;
                case AV_SAMPLE_FMT_FLT:
                    reinterpret_cast<float*>(frame->data[0])[i * movie_channels + c] = sample;
                    break;
                case AV_SAMPLE_FMT_S16P:
                    reinterpret_cast<std::int16_t*>(frame->extended_data[c])[i] = to_s16(sample);
                    break;
                default:
                    reinterpret_cast<std::int16_t*>(frame->data[0])[i * movie_channels + c] =
                        to_s16(sample);
                    break;
            }
        }
    }
    m_pending.erase(m_pending.begin(),
                    m_pending.begin() + static_cast<std::ptrdiff_t>(frames * movie_channels));
    frame->pts = m_next_pts;
    m_next_pts += static_cast<std::int64_t>(frames);
    result = avcodec_send_frame(m_encoder.get(), frame);
    if (result < 0) {
        return Error{"the audio encoder failed: " + error_text(result)};
    }
    return drain(sink);
}

Status AudioEncoder::drain(const PacketSink& sink) {
    for (;;) {
        const int result = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return Status::success();
        }
        if (result < 0) {
            return Error{"the audio encoder failed: " + error_text(result)};
        }
        if (Status status = sink(m_packet.get(), m_encoder->time_base); !status) {
            return status;
        }
    }
}

}  // namespace kdr::video::detail
