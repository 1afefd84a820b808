#pragma once
// FFmpeg's output side: one container file, written into a temporary file
// beside the target that replaces the target when finish() succeeds
// (platform/atomic_file.h). Muxers seek back to fill in headers and indexes,
// so the I/O goes through a context that can seek and tell the size. Every
// movie this module writes goes through here: the movie writer's encoded
// streams and the stream copy that joins movies.
//
// Order of calls: create(), add streams and set them up through format(),
// start() (opens the temporary file, writes the header), write() the
// packets, finish(). Dropped before finish(), it leaves the target as it was
// and no temporary file. One thread at a time.

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ffmpeg_support.h"
#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/platform/result.h"

namespace kdr::video::detail {

class Muxer {
  public:
    // The container by FFmpeg's muxer name ("avi", "mp4", "matroska").
    static Result<std::unique_ptr<Muxer>> create(const std::filesystem::path& target,
                                                 const std::string& container);
    ~Muxer();
    Muxer(const Muxer&) = delete;
    Muxer& operator=(const Muxer&) = delete;

    AVFormatContext* format() const { return m_format.get(); }
    // The target in quotes, for messages.
    std::string name() const { return "\"" + m_target.string() + "\""; }
    // A new stream to describe before start(); null when memory runs out.
    AVStream* add_stream();

    // Opens the temporary file and writes the header with the muxer's own
    // options ({"flipped_raw_rgb", "1"}).
    Status start(const std::vector<std::pair<std::string, std::string>>& options = {});
    // Moves `packet`, timed in `time_base`, into `stream`, interleaved with
    // the other streams; the packet is unreferenced whatever the outcome.
    Status write(AVPacket* packet, AVRational time_base, const AVStream& stream);
    // Writes the trailer and puts the file in place of the target.
    Status finish();

  private:
    explicit Muxer(const std::filesystem::path& target) : m_target(target), m_file(target) {}
    Error failure(const std::string& what, int code) const;

    std::filesystem::path m_target;
    platform::AtomicFileWriter m_file;
    // The format context is freed before the I/O context it writes through.
    IoContextPtr m_io;
    OutputPtr m_format;
};

}  // namespace kdr::video::detail
