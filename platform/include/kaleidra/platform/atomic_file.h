#pragma once
// Replacing a file so that readers see either the old or the new contents and
// a crash in between loses nothing: the data goes to a temporary file in the
// same folder, is flushed to disk, and is renamed over the target.

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "kaleidra/platform/result.h"

namespace kdr::platform {

Status write_file_atomically(const std::filesystem::path& target, const void* data,
                             std::size_t size);

inline Status write_file_atomically(const std::filesystem::path& target, std::string_view text) {
    return write_file_atomically(target, text.data(), text.size());
}

// A temporary file beside `target` that becomes `target` on commit(). When the
// object is destroyed without a successful commit the temporary file is
// removed and `target` keeps its old contents. Not thread-safe.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(std::filesystem::path target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Opens the temporary file; the descriptor stays valid until commit or
    // destruction.
    Status open();
    int descriptor() const { return m_fd; }
    // Writes all bytes or fails.
    Status write(const void* data, std::size_t size);
    // Flushes, renames over the target and flushes the folder.
    Status commit();
    void discard();

  private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
};

// Reads a whole file. Fails with a message naming the file.
Result<std::string> read_whole_file(const std::filesystem::path& file);

}  // namespace kdr::platform
