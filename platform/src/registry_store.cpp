#include "registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/platform/registry.h"

namespace kdr::platform::registry_store {
namespace {

using registry_text::Document;

constexpr mode_t shared_file_mode = 0644;
constexpr mode_t shared_folder_mode = 0755;

std::string quoted(const std::filesystem::path& file) {
    return "\"" + file.string() + "\"";
}

Error unreadable(const std::string& why) {
    return Error{"cannot read the store: " + why};
}

// Holds a file descriptor and closes it.
class Descriptor {
  public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

// Holds an exclusive advisory lock on the store's lock file for its lifetime.
class StoreLock {
  public:
    explicit StoreLock(const std::filesystem::path& store) {
        std::filesystem::path lock_file = store;
        lock_file += ".lock";
        m_fd = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            m_error =
                "cannot open the lock file " + quoted(lock_file) + ": " + std::strerror(errno);
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_error = "cannot lock " + quoted(lock_file) + ": " + std::strerror(errno);
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~StoreLock() {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool locked() const { return m_fd >= 0; }
    const std::string& error() const { return m_error; }

  private:
    int m_fd = -1;
    std::string m_error;
};

Status make_folder(const std::filesystem::path& file, bool shared) {
    if (!file.has_parent_path()) {
        return Status::success();
    }
    const std::filesystem::path folder = file.parent_path();
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) {
        return Status::success();
    }
    std::filesystem::create_directories(folder, error);
    if (error) {
        return Error{"cannot create the folder " + quoted(folder) + ": " + error.message()};
    }
    if (shared) {
        // Whatever the umask, every user must reach a shared store.
        std::filesystem::permissions(folder,
                                     static_cast<std::filesystem::perms>(shared_folder_mode),
                                     std::filesystem::perm_options::replace, error);
    }
    return Status::success();
}

Status write(const std::filesystem::path& file, bool shared, const std::string& text) {
    AtomicFileWriter writer(file);
    if (Status status = writer.open(); !status) {
        return status;
    }
    if (shared && ::fchmod(writer.descriptor(), shared_file_mode) != 0) {
        return Error{"cannot make " + quoted(file) +
                     " readable by everyone: " + std::strerror(errno)};
    }
    if (Status status = writer.write(text.data(), text.size()); !status) {
        return status;
    }
    return writer.commit();
}

}  // namespace

Result<std::optional<Document>> load(const std::filesystem::path& file) {
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            return std::optional<Document>{};
        }
        return unreadable(quoted(file) + ": " + std::strerror(errno));
    }
    struct stat state {};
    if (::fstat(fd.get(), &state) != 0) {
        return unreadable(quoted(file) + ": " + std::strerror(errno));
    }
    if (!S_ISREG(state.st_mode)) {
        return unreadable(quoted(file) + " is not a file");
    }
    if (static_cast<std::uintmax_t>(state.st_size) > max_registry_store_bytes) {
        return unreadable(quoted(file) + " is larger than " +
                          std::to_string(max_registry_store_bytes >> 20) + " MiB");
    }
    std::string text;
    char block[16384];
    for (;;) {
        const ssize_t got = ::read(fd.get(), block, sizeof block);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return unreadable(quoted(file) + ": " + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        text.append(block, static_cast<std::size_t>(got));
        if (text.size() > max_registry_store_bytes) {
            return unreadable(quoted(file) + " is larger than " +
                              std::to_string(max_registry_store_bytes >> 20) + " MiB");
        }
    }
    return std::optional<Document>{Document::parse(text)};
}

Status update(const std::filesystem::path& file, bool shared,
              const std::function<bool(Document&)>& change) {
    if (Status made = make_folder(file, shared); !made) {
        return made;
    }
    StoreLock lock(file);
    if (!lock.locked()) {
        return Error{lock.error()};
    }
    Result<std::optional<Document>> loaded = load(file);
    if (!loaded) {
        return Error{loaded.error()};
    }
    Document document = loaded->value_or(Document{});
    if (!change(document)) {
        return Status::success();
    }
    return write(file, shared, document.format());
}

}  // namespace kdr::platform::registry_store
