// Reads arbitrary bytes as a movie: the demuxing, seeking, decoding and
// conversion paths of the video reader, and the audio reader beside it.
// The bytes live in a memory file so each run touches no disk.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kaleidra/video/audio_reader.h"
#include "kaleidra/video/video_reader.h"

namespace {

// Streams that say they are larger are opened but not decoded, so a run
// stays within the fuzzer's memory limit.
constexpr std::uint64_t max_fuzzed_pixels = 1024 * 1024;

class MemoryFile {
  public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : m_fd(::memfd_create("kdr-video-fuzz", 0)) {
        std::size_t done = 0;
        while (m_fd >= 0 && done < size) {
            const ssize_t written = ::write(m_fd, data + done, size - done);
            if (written <= 0) {
                break;
            }
            done += static_cast<std::size_t>(written);
        }
    }
    ~MemoryFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool ok() const { return m_fd >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

  private:
    int m_fd;
};

void check(const kdr::video::VideoFrame& frame) {
    // Every byte the frame claims must be there.
    volatile std::uint8_t sum = 0;
    if (frame.pixels.size() >= std::size_t{frame.stride} * frame.height && frame.height > 0) {
        sum = sum + frame.pixels[std::size_t{frame.stride} * frame.height - 1];
    }
    (void)sum;
}

void read_video(const std::string& path) {
    kdr::Result<kdr::video::VideoReader> reader = kdr::video::VideoReader::open(path);
    if (!reader) {
        return;
    }
    if (std::uint64_t{reader->width()} * reader->height() > max_fuzzed_pixels) {
        return;
    }
    if (!reader->set_output_size(33, 17).ok()) {
        return;
    }
    const std::uint32_t last = reader->length() - 1;
    for (std::uint32_t index : {0u, 1u, 2u, last, last / 2, 1u, last + 1}) {
        kdr::Result<const kdr::video::VideoFrame*> frame = reader->read_frame(index);
        if (frame) {
            check(**frame);
        }
    }
}

void read_audio(const std::string& path) {
    kdr::Result<kdr::video::AudioReader> reader = kdr::video::AudioReader::open(path);
    if (!reader) {
        return;
    }
    std::vector<float> samples(4800 * 2);
    if (!reader->read(samples.data(), 4800).ok()) {
        return;
    }
    if (reader->seek(1.5).ok()) {
        (void)reader->read(samples.data(), 4800);  // only that it ends matters
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFile file(data, size);
    if (!file.ok()) {
        return 0;
    }
    read_video(file.path());
    read_audio(file.path());
    return 0;
}
