#pragma once
// A fresh folder under the system's temporary folder, made for the life of
// one object and removed with everything in it when that object dies. Tools
// use it for private installations and registry stores. The object may be
// moved, not copied; the folder goes with it.

#include <filesystem>
#include <string_view>

#include "kaleidra/platform/result.h"

namespace kdr::cli {

class TemporaryFolder {
  public:
    // A folder named `prefix` followed by six random characters.
    [[nodiscard]] static Result<TemporaryFolder> create(std::string_view prefix);

    ~TemporaryFolder();
    TemporaryFolder(TemporaryFolder&& other) noexcept;
    TemporaryFolder& operator=(TemporaryFolder&& other) noexcept;
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

  private:
    explicit TemporaryFolder(std::filesystem::path path) : m_path(std::move(path)) {}
    void remove();

    std::filesystem::path m_path;
};

}  // namespace kdr::cli
