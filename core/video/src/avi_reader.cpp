#include "kaleidra/video/avi_reader.h"

#include <utility>

#include "kaleidra/video/video_reader.h"

namespace kdr::video {

struct AviReader::State {
    explicit State(VideoReader opened) : reader(std::move(opened)) {}
    VideoReader reader;
};

Result<AviReader> AviReader::open(const std::filesystem::path& file) {
    Result<VideoReader> reader = VideoReader::open(file);
    if (!reader) {
        return Error{reader.error()};
    }
    return AviReader(std::make_unique<State>(std::move(*reader)));
}

AviReader::AviReader(std::unique_ptr<State> state) : m_state(std::move(state)) {}
AviReader::AviReader(AviReader&& other) noexcept = default;
AviReader& AviReader::operator=(AviReader&& other) noexcept = default;
AviReader::~AviReader() = default;

std::uint32_t AviReader::length() const {
    return m_state->reader.length();
}
std::uint32_t AviReader::rate() const {
    return static_cast<std::uint32_t>(m_state->reader.rate().num);
}
std::uint32_t AviReader::scale() const {
    return static_cast<std::uint32_t>(m_state->reader.rate().den);
}
std::uint32_t AviReader::width() const {
    return m_state->reader.width();
}
std::uint32_t AviReader::height() const {
    return m_state->reader.height();
}
std::string AviReader::codec_name() const {
    return m_state->reader.codec_name();
}
const std::filesystem::path& AviReader::file() const {
    return m_state->reader.file();
}
std::uint64_t AviReader::seek_count() const {
    return m_state->reader.seek_count();
}

Result<const VideoFrame*> AviReader::read_frame(std::uint32_t index) {
    return m_state->reader.read_frame(index);
}

}  // namespace kdr::video
