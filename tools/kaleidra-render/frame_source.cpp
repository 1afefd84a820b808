#include "frame_source.h"

#include <vector>

#include "frame_pattern.h"
#include "kaleidra/images/picture_file.h"
#include "kaleidra/records/owned_image.h"
#include "kaleidra/video/video_files.h"
#include "movie_source.h"

namespace kdr::render_tool {
namespace {

class StillSource final : public FrameSource {
  public:
    explicit StillSource(std::string name) : m_name(std::move(name)) {}
    Status open() { return read_picture(m_picture.record(), m_name); }

    const std::string& name() const override { return m_name; }
    std::uint32_t width() const override { return m_picture.record().width; }
    std::uint32_t height() const override { return m_picture.record().height; }
    Result<const ImageRecord*> frame(std::uint32_t) override { return &m_picture.record(); }
    std::uint64_t generation() const override { return 1; }

  private:
    std::string m_name;
    OwnedImage m_picture;
};

class SequenceSource final : public FrameSource {
  public:
    SequenceSource(std::string name, FramePattern pattern, std::vector<std::uint32_t> numbers)
        : m_name(std::move(name)), m_pattern(std::move(pattern)), m_numbers(std::move(numbers)) {}

    Status open() {
        Result<const ImageRecord*> first = frame(0);
        return first ? Status::success() : Status(Error{first.error()});
    }

    const std::string& name() const override { return m_name; }
    std::uint32_t width() const override { return m_width; }
    std::uint32_t height() const override { return m_height; }
    std::uint32_t length() const override { return static_cast<std::uint32_t>(m_numbers.size()); }
    std::uint64_t generation() const override { return m_generation; }

    Result<const ImageRecord*> frame(std::uint32_t index) override {
        const std::size_t wanted = std::min<std::size_t>(index, m_numbers.size() - 1);
        if (wanted != m_loaded) {
            const std::string file = m_pattern.name_for(m_numbers[wanted]);
            if (Status status = read_picture(m_picture.record(), file); !status) {
                return Error{status.error()};
            }
            if (m_generation == 0) {
                m_width = m_picture.record().width;
                m_height = m_picture.record().height;
            } else if (m_picture.record().width != m_width ||
                       m_picture.record().height != m_height) {
                return Error{"\"" + file + "\" is not the size of the sequence's first picture"};
            }
            m_loaded = wanted;
            ++m_generation;
        }
        return &m_picture.record();
    }

  private:
    std::string m_name;
    FramePattern m_pattern;
    std::vector<std::uint32_t> m_numbers;
    OwnedImage m_picture;
    std::size_t m_loaded = static_cast<std::size_t>(-1);
    std::uint64_t m_generation = 0;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
};

}  // namespace

Result<std::unique_ptr<FrameSource>> open_frame_source(const std::string& name) {
    if (std::optional<FramePattern> pattern = FramePattern::parse(name)) {
        std::vector<std::uint32_t> numbers = pattern->numbers_present();
        if (numbers.empty()) {
            return Error{"no pictures of the sequence \"" + name + "\" were found"};
        }
        auto source =
            std::make_unique<SequenceSource>(name, std::move(*pattern), std::move(numbers));
        if (Status status = source->open(); !status) {
            return Error{status.error()};
        }
        return std::unique_ptr<FrameSource>(std::move(source));
    }
    if (!std::filesystem::exists(name)) {
        return Error{"\"" + name + "\" does not exist"};
    }
    if (!is_picture_file(name)) {
        Result<std::unique_ptr<FrameSource>> movie = open_movie_source(name);
        if (!movie && !video::is_video_file_name(name)) {
            return Error{"\"" + name +
                         "\" is not a source kaleidra-render reads (a movie, BMP, TGA, PNG, IMG "
                         "or a numbered pattern): " +
                         movie.error()};
        }
        return movie;
    }
    auto source = std::make_unique<StillSource>(name);
    if (Status status = source->open(); !status) {
        return Error{status.error()};
    }
    return std::unique_ptr<FrameSource>(std::move(source));
}

}  // namespace kdr::render_tool
