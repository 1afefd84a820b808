#include "frame_sink.h"

#include "frame_pattern.h"
#include "kaleidra/images/picture_file.h"
#include "kaleidra/video/output_codecs.h"
#include "movie_sink.h"

namespace kdr::render_tool {
namespace {

class PictureSink final : public FrameSink {
  public:
    // Numbered pictures by `pattern`, or every frame to the one file `single`.
    PictureSink(std::optional<FramePattern> pattern, std::string single)
        : m_pattern(std::move(pattern)), m_single(std::move(single)) {}

    Status write(const ImageRecord& frame) override {
        const std::string file = m_pattern ? m_pattern->name_for(m_written) : m_single;
        if (Status status = write_picture(frame, file); !status) {
            return status;
        }
        if (m_written == 0) {
            m_first = file;
        }
        m_last = file;
        ++m_written;
        return Status::success();
    }
    Status finish() override { return Status::success(); }
    std::string where() const override {
        if (m_written <= 1) {
            return m_last;
        }
        return std::to_string(m_written) + " pictures, " + m_first + " to " + m_last;
    }

  private:
    std::optional<FramePattern> m_pattern;
    std::string m_single;
    std::uint32_t m_written = 0;
    std::string m_first;
    std::string m_last;
};

}  // namespace

bool is_movie_output(const std::string& output) {
    return !FramePattern::parse(output) && video::container_for(output).has_value();
}

Result<std::unique_ptr<FrameSink>> open_frame_sink(const std::string& output,
                                                   const SinkSettings& settings,
                                                   std::unique_ptr<JoinAudio> audio) {
    const std::filesystem::path file(output);
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    if (!std::filesystem::is_directory(folder)) {
        return Error{"the output folder \"" + folder.string() + "\" does not exist"};
    }
    if (std::optional<FramePattern> pattern = FramePattern::parse(output)) {
        if (!is_picture_file(file)) {
            return Error{"\"" + output +
                         "\": numbered output pictures must end in .png, .bmp, .tga or .img"};
        }
        return std::unique_ptr<FrameSink>(std::make_unique<PictureSink>(std::move(*pattern), ""));
    }
    if (output.find('%') != std::string::npos) {
        return Error{"\"" + output + "\": a number pattern is %d, %4d or %04d"};
    }
    if (is_picture_file(file)) {
        if (settings.frames == 1) {
            return std::unique_ptr<FrameSink>(std::make_unique<PictureSink>(std::nullopt, output));
        }
        const std::string stem = (file.parent_path() / file.stem()).string();
        std::optional<FramePattern> numbered =
            FramePattern::parse(stem + "%04d" + file.extension().string());
        if (!numbered) {
            return Error{"\"" + output + "\" cannot be numbered"};
        }
        return std::unique_ptr<FrameSink>(std::make_unique<PictureSink>(std::move(*numbered), ""));
    }
    if (video::container_for(file)) {
        return open_movie_sink(output, settings, std::move(audio));
    }
    return Error{"\"" + output +
                 "\": the output must be an .mp4, .mov, .mkv, .webm or .avi movie, or .png, "
                 ".bmp, .tga or .img pictures"};
}

}  // namespace kdr::render_tool
