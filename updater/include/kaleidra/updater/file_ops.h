#pragma once
// File operations of the updater, done relative to open folders so that a
// path of any length works and none is ever cut: a path is opened one
// component at a time, so neither a fixed buffer nor the kernel's limit on a
// whole path applies. Each function is thread-compatible; descriptors are
// owned by the objects that return them.

#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::updater {

// An owned file descriptor, closed when the object dies.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

  private:
    int m_fd = -1;
};

// The last component of a path and the folder that holds it.
struct EntryRef {
    UniqueFd folder;
    std::string name;
};

// The folder named by `path`, absolute or relative to the folder `base`.
// Symbolic links inside the path are followed as any path lookup does.
Result<UniqueFd> open_folder(int base, std::string_view path);

// The folder holding the entry `path` names, and the entry's name. Fails when
// the path ends in "/", ".", or "..", as it names no entry to write.
Result<EntryRef> open_parent(int base, std::string_view path);

// `path` opened for reading; it must be a regular file.
Result<UniqueFd> open_for_reading(int base, std::string_view path);

// Writes everything in `source` (from its start) into a new file in `folder`
// and renames it over `name`, so the entry holds either the old or the whole
// new contents, never a part. An existing regular file keeps its permission
// bits (and its owner and group where the process may set them); a new file
// takes the source's permission bits less the umask. A folder is never
// replaced. On any failure the temporary file is removed and `name` is
// untouched.
Status replace_file(int source, int folder, const std::string& name);

// Removes the entry `path` names (a file or a symbolic link, never a folder).
// `missing` is set when there was nothing to remove; that is not a failure.
Status delete_file(int base, std::string_view path, bool& missing);

// Reads a whole file of at most `limit` bytes.
Result<std::string> read_small_file(int base, std::string_view path, std::size_t limit);

// The components of a path, without empty ones and ".".
std::vector<std::string_view> path_components(std::string_view path);

// Writes all of `data` to `fd`, going on after short writes and interrupts.
Status write_all(int fd, std::string_view data);

// A system error as text, for messages.
std::string error_text(int error);

}  // namespace kdr::updater
