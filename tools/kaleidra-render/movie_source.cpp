#include "movie_source.h"

#include "kaleidra/records/image_record.h"
#include "kaleidra/video/avi_reader.h"

namespace kdr::render_tool {
namespace {

class MovieSource final : public FrameSource {
  public:
    MovieSource(std::string name, video::AviReader reader)
        : m_name(std::move(name)), m_reader(std::move(reader)) {
        image_construct(m_picture);
    }
    ~MovieSource() override { image_release_all(m_picture); }

    const std::string& name() const override { return m_name; }
    std::uint32_t width() const override { return m_reader.width(); }
    std::uint32_t height() const override { return m_reader.height(); }
    double rate() const override {
        return m_reader.scale() != 0 ? static_cast<double>(m_reader.rate()) / m_reader.scale() : 0;
    }
    std::uint64_t generation() const override { return m_generation; }

    Result<const ImageRecord*> frame(std::uint32_t index) override {
        // The reader holds the last frame once the movie has run out.
        Result<const video::VideoFrame*> frame = m_reader.read_frame(index);
        if (!frame) {
            return Error{"\"" + m_name + "\": " + frame.error()};
        }
        const video::VideoFrame& decoded = **frame;
        if (decoded.index != m_index || m_generation == 0 ||
            decoded.pixels.data() != m_picture.buffer) {
            ++m_generation;
            m_index = decoded.index;
        }
        // The engine reads the decoded pixels where they are.
        if (!image_set_shape(m_picture, {format_bgr, 3, 4, row_order_bottom_up, decoded.width,
                                         decoded.height}) ||
            m_picture.size > decoded.pixels.size()) {
            return Error{"\"" + m_name + "\": a decoded frame is smaller than its size says"};
        }
        m_picture.buffer = const_cast<std::uint8_t*>(decoded.pixels.data());
        m_picture.owns = 0;
        return &m_picture;
    }

  private:
    std::string m_name;
    video::AviReader m_reader;
    ImageRecord m_picture;
    std::uint32_t m_index = 0;
    std::uint64_t m_generation = 0;
};

}  // namespace

Result<std::unique_ptr<FrameSource>> open_movie_source(const std::string& file) {
    Result<video::AviReader> reader = video::AviReader::open(file);
    if (!reader) {
        return Error{reader.error()};
    }
    if (reader->length() == 0 || reader->width() == 0 || reader->height() == 0) {
        return Error{"\"" + file + "\" holds no video frames"};
    }
    return std::unique_ptr<FrameSource>(std::make_unique<MovieSource>(file, std::move(*reader)));
}

}  // namespace kdr::render_tool
