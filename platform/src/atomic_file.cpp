#include "kaleidra/platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace kdr::platform {
namespace {

std::string errno_text() {
    return std::strerror(errno);
}

std::string random_suffix() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    std::ostringstream text;
    text << std::hex << engine();
    return text.str();
}

void sync_folder(const std::filesystem::path& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target) : m_target(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

Status AtomicFileWriter::open() {
    discard();
    std::filesystem::path name = m_target.filename();
    name += ".tmp-" + random_suffix();
    m_temporary = m_target.parent_path() / name;
    m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        std::string message = "cannot create \"" + m_temporary.string() + "\": " + errno_text();
        m_temporary.clear();
        return Error{message};
    }
    // Keep the permissions of the file being replaced.
    struct stat old_state {};
    if (::stat(m_target.c_str(), &old_state) == 0) {
        ::fchmod(m_fd, old_state.st_mode & 07777);
    }
    return Status::success();
}

Status AtomicFileWriter::write(const void* data, std::size_t size) {
    if (m_fd < 0) {
        return Error{"\"" + m_target.string() + "\" is not open for writing"};
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = ::write(m_fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Error{"cannot write \"" + m_temporary.string() + "\": " + errno_text()};
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return Status::success();
}

Status AtomicFileWriter::commit() {
    if (m_fd < 0) {
        return Error{"\"" + m_target.string() + "\" is not open for writing"};
    }
    if (::fsync(m_fd) != 0) {
        std::string message = "cannot flush \"" + m_temporary.string() + "\": " + errno_text();
        discard();
        return Error{message};
    }
    ::close(m_fd);
    m_fd = -1;
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        std::string message = "cannot replace \"" + m_target.string() + "\": " + errno_text();
        discard();
        return Error{message};
    }
    m_temporary.clear();
    sync_folder(m_target.parent_path());
    return Status::success();
}

void AtomicFileWriter::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

Status write_file_atomically(const std::filesystem::path& target, const void* data,
                             std::size_t size) {
    AtomicFileWriter writer(target);
    if (Status status = writer.open(); !status) {
        return status;
    }
    if (Status status = writer.write(data, size); !status) {
        return status;
    }
    return writer.commit();
}

Result<std::string> read_whole_file(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return Error{"cannot open \"" + file.string() + "\": " + errno_text()};
    }
    std::ostringstream contents;
    contents << stream.rdbuf();
    if (stream.bad()) {
        return Error{"cannot read \"" + file.string() + "\""};
    }
    return contents.str();
}

}  // namespace kdr::platform
