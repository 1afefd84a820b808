#include "kaleidra/editor/output_movie.h"

#include <optional>

#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/video/avi_writer.h"
#include "kaleidra/video/encoders.h"

namespace kdr::editor {
namespace {

constexpr const char* avi_error_title = "AVI Error.";

void avi_error(const MovieRequest& request, const std::string& text) {
    if (request.show_avi_errors) {
        platform::show_message_box(avi_error_title, text, platform::MessageKind::warning);
    }
}

std::string size_text(std::int32_t width, std::int32_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

struct OutputMovie::State {
    std::optional<video::AviWriter> writer;
    video::CompressOptions options;
};

Result<OutputMovie> OutputMovie::create(const MovieRequest& request) {
    const std::string name = "\"" + request.file.string() + "\"";
    // 1. The file: a folder that cannot take it fails without a message of
    // its own.
    {
        platform::AtomicFileWriter probe(request.file);
        if (Status opened = probe.open(); !opened) {
            return Error{opened.error()};
        }
    }
    // 2. The stream: its rate and frame size.
    if (request.rate < 1 || request.rate > max_output_rate || request.width < 1 ||
        request.height < 1 || request.width > max_output_dimension ||
        request.height > max_output_dimension) {
        avi_error(request, "Error creating stream.");
        return Error{"cannot write " + name + ": frames of " +
                     size_text(request.width, request.height) + " at " +
                     std::to_string(request.rate) + " a second are outside 1 .. " +
                     std::to_string(max_output_dimension) + " pixels and 1 .. " +
                     std::to_string(max_output_rate) + " frames a second"};
    }
    // 3. The compressed stream.
    video::CompressOptions options = request.options;
    const video::EncoderInfo* encoder = video::find_encoder(options.handler);
    if (encoder == nullptr || !encoder->available) {
        avi_error(request, "Error making compressed stream.");
        return Error{"cannot write " + name + ": no compressor \"" +
                     video::fourcc_text(options.handler) + "\" in this build"};
    }
    if (encoder->codec == "msvideo1" && (request.width % 4 != 0 || request.height % 4 != 0)) {
        avi_error(request,
                  "MS Video 1 takes only widths and heights that are multiples of 4, not " +
                      size_text(request.width, request.height) +
                      ". The movie is written with full frames (uncompressed) instead.");
        options.handler = video::make_fourcc("DIB ");
    }
    // 4. The stream's format and everything the writer sets up.
    Result<video::AviWriter> writer =
        video::AviWriter::create(request.file, static_cast<std::uint32_t>(request.width),
                                 static_cast<std::uint32_t>(request.height),
                                 static_cast<std::uint32_t>(request.rate), options);
    if (!writer) {
        avi_error(request, "Error setting stream format.");
        return Error{writer.error()};
    }
    auto state = std::make_unique<State>();
    state->writer.emplace(std::move(*writer));
    state->options = std::move(options);
    return OutputMovie(std::move(state));
}

OutputMovie::OutputMovie(std::unique_ptr<State> state) : m_state(std::move(state)) {}
OutputMovie::OutputMovie(OutputMovie&&) noexcept = default;
OutputMovie& OutputMovie::operator=(OutputMovie&&) noexcept = default;
OutputMovie::~OutputMovie() = default;

Status OutputMovie::write(const ImageRecord& frame) {
    return m_state->writer->write_frame(frame.buffer, frame.size);
}

Status OutputMovie::close() {
    return m_state->writer->close();
}

std::uint32_t OutputMovie::frames_written() const {
    return m_state->writer->frames_written();
}

const video::CompressOptions& OutputMovie::options() const {
    return m_state->options;
}

}  // namespace kdr::editor
