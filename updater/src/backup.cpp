#include "kaleidra/updater/backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace kdr::updater {
namespace {

constexpr int name_attempts = 100;
constexpr const char* list_name = "replaced.txt";

// The folder `name` inside `parent`, made when missing; a symbolic link in
// its place is not followed.
Result<UniqueFd> folder_inside(int parent, const std::string& name) {
    if (::mkdirat(parent, name.c_str(), 0755) != 0 && errno != EEXIST) {
        return Error{"cannot make the folder \"" + name + "\": " + error_text(errno)};
    }
    UniqueFd folder(::openat(parent, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid()) {
        return Error{"cannot open the folder \"" + name + "\": " + error_text(errno)};
    }
    return folder;
}

Status append(int folder, const std::string& name, const std::string& text) {
    UniqueFd file(::openat(folder, name.c_str(),
                           O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file.valid()) {
        return Error{"cannot open \"" + name + "\": " + error_text(errno)};
    }
    if (Status status = write_all(file.get(), text); !status) {
        return Error{"cannot write \"" + name + "\": " + status.error()};
    }
    return Status::success();
}

}  // namespace

BackupFolder::BackupFolder(int update_folder, std::string update_path, std::string name)
    : m_update_folder(update_folder),
      m_update_path(std::move(update_path)),
      m_name(std::move(name)) {}

Status BackupFolder::create() {
    if (m_folder.valid()) {
        return Status::success();
    }
    for (int attempt = 1; attempt <= name_attempts; ++attempt) {
        std::string name = m_name;
        if (attempt > 1) {
            name += "-" + std::to_string(attempt);
        }
        if (::mkdirat(m_update_folder, name.c_str(), 0755) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            return Error{"cannot make the backup folder \"" + name + "\" in \"" + m_update_path +
                         "\": " + error_text(errno)};
        }
        m_folder = UniqueFd(
            ::openat(m_update_folder, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!m_folder.valid()) {
            return Error{"cannot open the backup folder \"" + name + "\": " + error_text(errno)};
        }
        m_path = m_update_path;
        if (m_path.empty() || m_path.back() != '/') {
            m_path += '/';
        }
        m_path += name;
        return Status::success();
    }
    return Error{"cannot find a free name for the backup folder in \"" + m_update_path + "\""};
}

Status BackupFolder::keep(int folder, const std::string& name, const std::string& path) {
    if (Status status = create(); !status) {
        return status;
    }
    UniqueFd source(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!source.valid()) {
        return Error{"cannot read \"" + path + "\": " + error_text(errno)};
    }
    struct stat state {};
    if (::fstat(source.get(), &state) != 0 || !S_ISREG(state.st_mode)) {
        return Error{"\"" + path + "\" is not a regular file"};
    }

    // The copy's folder: every folder of the original path, below the backup.
    UniqueFd target = UniqueFd(::fcntl(m_folder.get(), F_DUPFD_CLOEXEC, 0));
    std::size_t last_slash = path.rfind('/');
    std::string_view folders =
        std::string_view(path).substr(0, last_slash == std::string::npos ? 0 : last_slash);
    for (std::string_view part : path_components(folders)) {
        if (part == "..") {
            continue;
        }
        std::string component(part);
        Result<UniqueFd> next = folder_inside(target.get(), component);
        if (!next) {
            return Error{"backup of \"" + path + "\": " + next.error()};
        }
        target = std::move(*next);
    }
    struct stat existing {};
    if (::fstatat(target.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        return Error{"a backup of \"" + path + "\" already exists"};
    }
    if (Status status = replace_file(source.get(), target.get(), name); !status) {
        return Error{"backup of \"" + path + "\": " + status.error()};
    }
    // The copy keeps the old file's permission bits, not the umask's.
    UniqueFd copy(::openat(target.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (copy.valid()) {
        ::fchmod(copy.get(), state.st_mode & 07777);
    }
    return Status::success();
}

Status BackupFolder::list(const std::string& path) {
    if (Status status = create(); !status) {
        return status;
    }
    return append(m_folder.get(), list_name, listed_path(path) + "\n");
}

std::string backup_folder_name() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    if (std::strftime(text, sizeof text, "backup-%Y%m%d-%H%M%S", &local) == 0) {
        return "backup";
    }
    return text;
}

std::string listed_path(const std::string& path) {
    std::string text;
    for (char c : path) {
        switch (c) {
            case '\\':
                text += "\\\\";
                break;
            case '\n':
                text += "\\n";
                break;
            case '\r':
                text += "\\r";
                break;
            case '\t':
                text += "\\t";
                break;
            default:
                text += c;
        }
    }
    return text;
}

}  // namespace kdr::updater
