#include "kaleidra/video/avi_writer.h"

#include <string>

#include "kaleidra/video/encoders.h"
#include "kaleidra/video/movie_writer.h"
#include "kaleidra/video/video_frame.h"

namespace kdr::video {
namespace {

constexpr std::uint32_t max_frames_per_second = 1000;

}  // namespace

struct AviWriter::State {
    explicit State(MovieWriter opened) : writer(std::move(opened)) {}
    MovieWriter writer;
};

std::size_t AviWriter::frame_size(std::uint32_t width, std::uint32_t height) {
    return MovieWriter::frame_size(width, height);
}

Result<AviWriter> AviWriter::create(const std::filesystem::path& file, std::uint32_t width,
                                    std::uint32_t height, std::uint32_t frames_per_second,
                                    const CompressOptions& options) {
    const std::string name = "\"" + file.string() + "\"";
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
    if (choice->codec == "msvideo1" && (width % 4 != 0 || height % 4 != 0)) {
        return Error{"cannot write " + name + ": " + choice->name +
                     " needs a width and height that are multiples of 4, not " +
                     std::to_string(width) + " x " + std::to_string(height)};
    }

    MovieSettings settings;
    settings.container = "avi";
    settings.width = width;
    settings.height = height;
    settings.rate = FrameRate{static_cast<std::int32_t>(frames_per_second), 1};
    settings.video = encoding_for(*choice, options.quality);
    Result<MovieWriter> writer = MovieWriter::create(file, settings);
    if (!writer) {
        return Error{writer.error()};
    }
    return AviWriter(std::make_unique<State>(std::move(*writer)));
}

AviWriter::AviWriter(std::unique_ptr<State> state) : m_state(std::move(state)) {}
AviWriter::AviWriter(AviWriter&& other) noexcept = default;
AviWriter& AviWriter::operator=(AviWriter&& other) noexcept = default;
AviWriter::~AviWriter() = default;

std::uint32_t AviWriter::frames_written() const {
    return m_state->writer.frames_written();
}

Status AviWriter::write_frame(const std::uint8_t* pixels, std::size_t size) {
    return m_state->writer.write_frame(pixels, size);
}

Status AviWriter::close() {
    return m_state->writer.close();
}

}  // namespace kdr::video
