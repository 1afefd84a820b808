#pragma once
// FFmpeg's output side over a temporary file that replaces its target on
// commit (platform/atomic_file.h). Muxers seek back to fill in headers and
// indexes, so the I/O context can seek and tell the size.

#include <filesystem>
#include <memory>

#include "ffmpeg_support.h"
#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/platform/result.h"

namespace kdr::video::detail {

class OutputFile {
  public:
    // Opens the temporary file beside `target`.
    static Result<std::unique_ptr<OutputFile>> open(const std::filesystem::path& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    AVIOContext* io() const { return m_io; }
    // Flushes FFmpeg's buffer, then renames the temporary file over the
    // target. Fails when any write failed.
    Status commit();

  private:
    explicit OutputFile(const std::filesystem::path& target) : m_file(target) {}
    platform::AtomicFileWriter m_file;
    AVIOContext* m_io = nullptr;
};

}  // namespace kdr::video::detail
