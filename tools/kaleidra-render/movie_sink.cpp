#include "movie_sink.h"

#include "kaleidra/video/compress_options.h"
#include "kaleidra/video/encoders.h"
#include "kaleidra/video/movie_writer.h"
#include "kaleidra/video/output_codecs.h"

namespace kdr::render_tool {
namespace {

class MovieSink final : public FrameSink {
  public:
    MovieSink(std::string file, video::MovieWriter writer, std::unique_ptr<JoinAudio> audio)
        : m_file(std::move(file)), m_writer(std::move(writer)), m_audio(std::move(audio)) {}

    Status write(const ImageRecord& frame) override {
        // The output picture already has the movie's frame layout, so its
        // pixels go to the encoder as they are.
        const std::size_t size = video::MovieWriter::frame_size(frame.width, frame.height);
        if (frame.format != format_bgr || frame.row_order == row_order_top_down ||
            frame.bytes_per_pixel != 3 || frame.alignment != 4 || frame.size != size) {
            return Error{"\"" + m_file + "\": the frame is not a 24-bit bottom-up picture"};
        }
        if (Status status = m_writer.write_frame(frame.buffer, size); !status) {
            return status;
        }
        if (m_audio) {
            Result<const std::vector<float>*> samples = m_audio->frame(m_frames);
            if (!samples) {
                return Error{samples.error()};
            }
            const std::size_t count = (*samples)->size() / video::movie_channels;
            if (Status status = m_writer.write_audio((*samples)->data(), count); !status) {
                return status;
            }
        }
        ++m_frames;
        return Status::success();
    }
    Status finish() override { return m_writer.close(); }
    std::string where() const override { return m_file; }

  private:
    std::string m_file;
    video::MovieWriter m_writer;
    std::unique_ptr<JoinAudio> m_audio;
    std::uint32_t m_frames = 0;
};

// The compressors an AVI can be written with, for the message naming an
// unknown one.
std::string available_compressors() {
    std::string names;
    for (const video::EncoderInfo& encoder : video::list_encoders()) {
        if (encoder.available) {
            names += (names.empty() ? "\"" : ", \"") + video::fourcc_text(encoder.handler) + "\"";
        }
    }
    return names;
}

}  // namespace

Result<std::unique_ptr<FrameSink>> open_movie_sink(const std::string& file,
                                                   const SinkSettings& settings,
                                                   std::unique_ptr<JoinAudio> audio) {
    video::MovieSettings movie;
    movie.container = *video::container_for(file);
    movie.width = settings.width;
    movie.height = settings.height;
    movie.rate = settings.rate;
    video::CodecRequest request;
    request.codec = settings.codec;
    request.quality = settings.quality;
    request.pixel_format = settings.pixel_format;
    request.colour = settings.colour;
    Result<video::VideoEncoding> encoding = video::choose_video_encoding(movie.container, request);
    if (!encoding) {
        if (movie.container == "avi" && !video::is_named_codec(settings.codec) &&
            video::find_encoder(video::make_fourcc(settings.codec)) == nullptr) {
            return Error{"no compressor \"" + settings.codec + "\"; available: " +
                         available_compressors() + ", or h264, h265, vp9, av1, ffv1"};
        }
        return Error{"\"" + file + "\": " + encoding.error()};
    }
    movie.video = *encoding;
    if (audio) {
        movie.audio = video::audio_encoding_for(movie.container);
        if (Status started = audio->start(); !started) {
            return Error{started.error()};
        }
    }
    Result<video::MovieWriter> writer = video::MovieWriter::create(file, movie);
    if (!writer) {
        return Error{writer.error()};
    }
    return std::unique_ptr<FrameSink>(
        std::make_unique<MovieSink>(file, std::move(*writer), std::move(audio)));
}

}  // namespace kdr::render_tool
