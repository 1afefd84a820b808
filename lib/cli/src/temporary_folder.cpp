#include "kaleidra/cli/temporary_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kdr::cli {

Result<TemporaryFolder> TemporaryFolder::create(std::string_view prefix) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        return Error{"no temporary folder: " + error.message()};
    }
    std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return Error{"cannot create a temporary folder in " + base.string() + ": " +
                     std::strerror(errno)};
    }
    return TemporaryFolder(pattern);
}

TemporaryFolder::~TemporaryFolder() {
    remove();
}

TemporaryFolder::TemporaryFolder(TemporaryFolder&& other) noexcept
    : m_path(std::move(other.m_path)) {
    other.m_path.clear();
}

TemporaryFolder& TemporaryFolder::operator=(TemporaryFolder&& other) noexcept {
    if (this != &other) {
        remove();
        m_path = std::move(other.m_path);
        other.m_path.clear();
    }
    return *this;
}

void TemporaryFolder::remove() {
    if (m_path.empty()) {
        return;
    }
    // Removal is best effort: a folder the user emptied or took over is not
    // an error worth reporting from a destructor.
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
    m_path.clear();
}

}  // namespace kdr::cli
