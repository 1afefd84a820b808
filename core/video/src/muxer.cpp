#include "muxer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kdr::video::detail {
namespace {

constexpr int io_buffer_size = 1 << 16;

int write_block(void* opaque, std::uint8_t* data, int size) {
    const int fd = static_cast<platform::AtomicFileWriter*>(opaque)->descriptor();
    int done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd, data + done, static_cast<std::size_t>(size - done));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return AVERROR(errno);
        }
        done += static_cast<int>(written);
    }
    return done;
}

std::int64_t seek_file(void* opaque, std::int64_t offset, int whence) {
    const int fd = static_cast<platform::AtomicFileWriter*>(opaque)->descriptor();
    if (whence & AVSEEK_SIZE) {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? info.st_size : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : position;
}

}  // namespace

Result<std::unique_ptr<Muxer>> Muxer::create(const std::filesystem::path& target,
                                             const std::string& container) {
    prepare_ffmpeg();
    std::unique_ptr<Muxer> muxer(new Muxer(target));
    AVFormatContext* format = nullptr;
    const int result = avformat_alloc_output_context2(&format, nullptr, container.c_str(), nullptr);
    if (result < 0 || format == nullptr) {
        return Error{"cannot write " + muxer->name() + ": no \"" + container +
                     "\" muxer: " + error_text(result)};
    }
    muxer->m_format.reset(format);
    return muxer;
}

Muxer::~Muxer() = default;

AVStream* Muxer::add_stream() {
    return avformat_new_stream(m_format.get(), nullptr);
}

Error Muxer::failure(const std::string& what, int code) const {
    return Error{"cannot write " + name() + ": " + what + ": " + error_text(code)};
}

Status Muxer::start(const std::vector<std::pair<std::string, std::string>>& options) {
    if (Status opened = m_file.open(); !opened) {
        return opened;
    }
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(io_buffer_size));
    if (buffer == nullptr) {
        return Error{"cannot write " + name() + ": out of memory"};
    }
    m_io.reset(
        avio_alloc_context(buffer, io_buffer_size, 1, &m_file, nullptr, &write_block, &seek_file));
    if (!m_io) {
        av_free(buffer);
        return Error{"cannot write " + name() + ": out of memory"};
    }
    m_format->pb = m_io.get();
    AVDictionary* dictionary = nullptr;
    for (const auto& [option, value] : options) {
        av_dict_set(&dictionary, option.c_str(), value.c_str(), 0);
    }
    const int result = avformat_write_header(m_format.get(), &dictionary);
    av_dict_free(&dictionary);
    if (result < 0) {
        return failure("the " + std::string(m_format->oformat->name) + " header", result);
    }
    return Status::success();
}

Status Muxer::write(AVPacket* packet, AVRational time_base, const AVStream& stream) {
    av_packet_rescale_ts(packet, time_base, stream.time_base);
    packet->stream_index = stream.index;
    const int result = av_interleaved_write_frame(m_format.get(), packet);
    av_packet_unref(packet);
    if (result < 0) {
        return failure("writing a packet failed", result);
    }
    return Status::success();
}

Status Muxer::finish() {
    if (!m_io) {
        return Error{"cannot finish " + name() + ": its header was never written"};
    }
    const int result = av_write_trailer(m_format.get());
    if (result < 0) {
        return failure("finishing the file failed", result);
    }
    avio_flush(m_io.get());
    if (m_io->error < 0) {
        return failure("writing the file failed", m_io->error);
    }
    return m_file.commit();
}

}  // namespace kdr::video::detail
