#include "movie_sink.h"

#include <cmath>

#include "kaleidra/video/avi_writer.h"
#include "kaleidra/video/encoders.h"

namespace kdr::render_tool {
namespace {

class MovieSink final : public FrameSink {
  public:
    MovieSink(std::string file, video::AviWriter writer)
        : m_file(std::move(file)), m_writer(std::move(writer)) {}

    Status write(const ImageRecord& frame) override {
        // The output picture already has the movie's frame layout, so its
        // pixels go to the compressor as they are.
        const std::size_t size = video::AviWriter::frame_size(frame.width, frame.height);
        if (frame.format != format_bgr || frame.row_order == row_order_top_down ||
            frame.bytes_per_pixel != 3 || frame.alignment != 4 || frame.size != size) {
            return Error{"\"" + m_file + "\": the frame is not a 24-bit bottom-up picture"};
        }
        return m_writer.write_frame(frame.buffer, size);
    }
    Status finish() override { return m_writer.close(); }
    std::string where() const override { return m_file; }

  private:
    std::string m_file;
    video::AviWriter m_writer;
};

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
                                                   const SinkSettings& settings) {
    video::CompressOptions options;
    options.handler = video::make_fourcc(settings.codec);
    const video::EncoderInfo* encoder = video::find_encoder(options.handler);
    if (encoder == nullptr || !encoder->available) {
        return Error{"no compressor \"" + settings.codec + "\"" +
                     (encoder != nullptr ? " in this build" : "") +
                     "; available: " + available_compressors()};
    }
    options.quality = static_cast<std::uint32_t>(settings.quality) * 100;
    // Movies run at a whole number of frames a second.
    const auto rate = static_cast<std::uint32_t>(std::lround(settings.rate));
    Result<video::AviWriter> writer = video::AviWriter::create(
        file, settings.width, settings.height, rate < 1 ? 1 : rate, options);
    if (!writer) {
        return Error{writer.error()};
    }
    return std::unique_ptr<FrameSink>(std::make_unique<MovieSink>(file, std::move(*writer)));
}

}  // namespace kdr::render_tool
