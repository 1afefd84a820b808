#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

Result<std::unique_ptr<OutputFile>> OutputFile::open(const std::filesystem::path& target) {
    std::unique_ptr<OutputFile> file(new OutputFile(target));
    if (Status opened = file->m_file.open(); !opened) {
        return Error{opened.error()};
    }
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(io_buffer_size));
    if (buffer == nullptr) {
        return Error{"out of memory writing \"" + target.string() + "\""};
    }
    file->m_io = avio_alloc_context(buffer, io_buffer_size, 1, &file->m_file, nullptr, &write_block,
                                    &seek_file);
    if (file->m_io == nullptr) {
        av_free(buffer);
        return Error{"out of memory writing \"" + target.string() + "\""};
    }
    return file;
}

OutputFile::~OutputFile() {
    if (m_io != nullptr) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

Status OutputFile::commit() {
    avio_flush(m_io);
    if (m_io->error < 0) {
        return Error{"writing the file failed: " + error_text(m_io->error)};
    }
    return m_file.commit();
}

}  // namespace kdr::video::detail
