#include "kaleidra/updater/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

namespace kdr::updater {
namespace {

constexpr int temporary_attempts = 64;
constexpr std::size_t copy_block = 1 << 16;

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string temporary_name() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string name = ".kdr-update-";
    std::uint64_t bits = engine();
    for (int i = 0; i < 12; ++i) {
        name += digits[bits & 15];
        bits >>= 4;
    }
    return name;
}

Status copy_contents(int source, int target) {
    std::vector<char> block(copy_block);
    off_t offset = 0;
    for (;;) {
        ssize_t got = ::pread(source, block.data(), block.size(), offset);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Error{"cannot read the source: " + error_text(errno)};
        }
        if (got == 0) {
            return Status::success();
        }
        if (Status status =
                write_all(target, std::string_view(block.data(), static_cast<std::size_t>(got)));
            !status) {
            return Error{"cannot write: " + status.error()};
        }
        offset += got;
    }
}

// Best effort: the data is already renamed into place.
void sync_folder(int folder) {
    int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

UniqueFd::~UniqueFd() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = other.release();
    }
    return *this;
}

std::string error_text(int error) {
    return std::strerror(error);
}

std::vector<std::string_view> path_components(std::string_view path) {
    std::vector<std::string_view> components;
    std::size_t position = 0;
    while (position < path.size()) {
        std::size_t end = path.find('/', position);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        std::string_view component = path.substr(position, end - position);
        if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        position = end + 1;
    }
    return components;
}

Status write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Error{error_text(errno)};
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return Status::success();
}

Result<UniqueFd> open_folder(int base, std::string_view path) {
    UniqueFd current;
    if (!path.empty() && path.front() == '/') {
        current = UniqueFd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    } else {
        current = UniqueFd(::openat(base, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    if (!current.valid()) {
        return Error{"cannot open the folder " + quoted(path) + ": " + error_text(errno)};
    }
    std::string_view walked;
    for (std::string_view component : path_components(path)) {
        walked = path.substr(0, static_cast<std::size_t>(component.end() - path.begin()));
        std::string name(component);
        UniqueFd next(::openat(current.get(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.valid()) {
            return Error{"cannot open the folder " + quoted(walked) + ": " + error_text(errno)};
        }
        current = std::move(next);
    }
    return current;
}

Result<EntryRef> open_parent(int base, std::string_view path) {
    std::size_t slash = path.rfind('/');
    std::string_view folder_part;
    std::string_view name;
    if (slash == std::string_view::npos) {
        folder_part = ".";
        name = path;
    } else {
        folder_part = slash == 0 ? std::string_view("/") : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
    if (name.empty() || name == "." || name == "..") {
        return Error{quoted(path) + " names a folder, not a file"};
    }
    Result<UniqueFd> folder = open_folder(base, folder_part);
    if (!folder) {
        return Error{folder.error()};
    }
    return EntryRef{std::move(*folder), std::string(name)};
}

Result<UniqueFd> open_for_reading(int base, std::string_view path) {
    Result<EntryRef> entry = open_parent(base, path);
    if (!entry) {
        return Error{entry.error()};
    }
    // Non-blocking, so that a pipe left in the file's place cannot hang the open.
    UniqueFd fd(
        ::openat(entry->folder.get(), entry->name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        return Error{"cannot open " + quoted(path) + ": " + error_text(errno)};
    }
    struct stat state {};
    if (::fstat(fd.get(), &state) != 0 || !S_ISREG(state.st_mode)) {
        return Error{quoted(path) + " is not a regular file"};
    }
    int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    return fd;
}

Status replace_file(int source, int folder, const std::string& name) {
    struct stat source_state {};
    if (::fstat(source, &source_state) != 0) {
        return Error{"cannot examine the source: " + error_text(errno)};
    }
    struct stat old_state {};
    bool replacing = false;
    if (::fstatat(folder, name.c_str(), &old_state, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(old_state.st_mode)) {
            return Error{quoted(name) + " is a folder"};
        }
        replacing = S_ISREG(old_state.st_mode);
    } else if (errno != ENOENT) {
        return Error{"cannot examine " + quoted(name) + ": " + error_text(errno)};
    }

    // A new file is created with the source's bits so the umask applies; a
    // replaced file gets its old bits back exactly below.
    mode_t create_mode = replacing ? 0600 : (source_state.st_mode & 0777);
    std::string temporary;
    UniqueFd target;
    for (int attempt = 0; attempt < temporary_attempts && !target.valid(); ++attempt) {
        temporary = temporary_name();
        target = UniqueFd(::openat(folder, temporary.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, create_mode));
        if (!target.valid() && errno != EEXIST) {
            return Error{"cannot create a temporary file beside " + quoted(name) + ": " +
                         error_text(errno)};
        }
    }
    if (!target.valid()) {
        return Error{"cannot find a free temporary name beside " + quoted(name)};
    }

    auto abandon = [&](const std::string& message) -> Status {
        target = UniqueFd();
        ::unlinkat(folder, temporary.c_str(), 0);
        return Error{message};
    };
    if (Status status = copy_contents(source, target.get()); !status) {
        return abandon(status.error());
    }
    if (replacing) {
        // The owner may only be kept by a process allowed to give files away;
        // changing it clears set-id bits, so the mode comes after.
        int owner_kept = ::fchown(target.get(), old_state.st_uid, old_state.st_gid);
        static_cast<void>(owner_kept);
        if (::fchmod(target.get(), old_state.st_mode & 07777) != 0) {
            return abandon("cannot keep the permissions of " + quoted(name) + ": " +
                           error_text(errno));
        }
    }
    if (::fsync(target.get()) != 0) {
        return abandon("cannot flush the copy of " + quoted(name) + ": " + error_text(errno));
    }
    if (::close(target.release()) != 0) {
        return abandon("cannot finish the copy of " + quoted(name) + ": " + error_text(errno));
    }
    if (::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        return abandon("cannot replace " + quoted(name) + ": " + error_text(errno));
    }
    sync_folder(folder);
    return Status::success();
}

Status delete_file(int base, std::string_view path, bool& missing) {
    missing = false;
    Result<EntryRef> entry = open_parent(base, path);
    if (!entry) {
        return Error{entry.error()};
    }
    if (::unlinkat(entry->folder.get(), entry->name.c_str(), 0) != 0) {
        if (errno == ENOENT) {
            missing = true;
            return Status::success();
        }
        return Error{"cannot delete " + quoted(path) + ": " + error_text(errno)};
    }
    return Status::success();
}

Result<std::string> read_small_file(int base, std::string_view path, std::size_t limit) {
    Result<UniqueFd> fd = open_for_reading(base, path);
    if (!fd) {
        return Error{fd.error()};
    }
    std::string contents;
    std::vector<char> block(copy_block);
    for (;;) {
        ssize_t got = ::read(fd->get(), block.data(), block.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Error{"cannot read " + quoted(path) + ": " + error_text(errno)};
        }
        if (got == 0) {
            return contents;
        }
        if (contents.size() + static_cast<std::size_t>(got) > limit) {
            return Error{quoted(path) + " is larger than " + std::to_string(limit) + " bytes"};
        }
        contents.append(block.data(), static_cast<std::size_t>(got));
    }
}

}  // namespace kdr::updater
