#include "movie_source.h"

#include "kaleidra/records/image_record.h"
#include "kaleidra/video/video_reader.h"

namespace kdr::render_tool {
namespace {

class MovieSource final : public FrameSource {
  public:
    MovieSource(std::string name, video::VideoReader reader)
        : m_name(std::move(name)), m_reader(std::move(reader)) {
        image_construct(m_picture);
        m_facts.file = m_reader.file();
        m_facts.has_audio = m_reader.has_audio();
        m_facts.start_seconds = m_reader.start_seconds();
    }
    ~MovieSource() override { image_release_all(m_picture); }

    const std::string& name() const override { return m_name; }
    std::uint32_t width() const override { return m_reader.width(); }
    std::uint32_t height() const override { return m_reader.height(); }
    video::FrameRate rate() const override { return m_reader.rate(); }
    std::uint32_t length() const override { return m_reader.length(); }
    const MovieFacts* movie() const override { return &m_facts; }
    std::uint64_t generation() const override { return m_generation; }

    Status fit_to(std::uint32_t width, std::uint32_t height) override {
        if (Status status = m_reader.set_output_size(width, height); !status) {
            return status;
        }
        // Pictures made at the old size are stale.
        ++m_generation;
        return Status::success();
    }

    Result<const ImageRecord*> frame(std::uint32_t index) override {
        // The reader holds the last frame once the movie has run out.
        Result<const video::VideoFrame*> frame = m_reader.read_frame(index);
        if (!frame) {
            return Error{"\"" + m_name + "\": " + frame.error()};
        }
        const video::VideoFrame& decoded = **frame;
        if (decoded.index != m_index || m_generation == 0 ||
            decoded.pixels.data() != m_picture.buffer || decoded.width != m_picture.width ||
            decoded.height != m_picture.height) {
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
    video::VideoReader m_reader;
    MovieFacts m_facts;
    ImageRecord m_picture;
    std::uint32_t m_index = 0;
    std::uint64_t m_generation = 0;
};

}  // namespace

Result<std::unique_ptr<FrameSource>> open_movie_source(const std::string& file) {
    Result<video::VideoReader> reader = video::VideoReader::open(file);
    if (!reader) {
        return Error{reader.error()};
    }
    if (reader->length() == 0 || reader->width() == 0 || reader->height() == 0) {
        return Error{"\"" + file + "\" holds no video frames"};
    }
    return std::unique_ptr<FrameSource>(std::make_unique<MovieSource>(file, std::move(*reader)));
}

}  // namespace kdr::render_tool
