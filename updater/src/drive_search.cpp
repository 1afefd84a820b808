#include "kaleidra/updater/drive_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <unordered_set>

#include "kaleidra/updater/file_ops.h"

namespace kdr::updater {
namespace {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
        return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(id.inode) * 1000003u ^
                                          static_cast<std::uint64_t>(id.device));
    }
};

FileId id_of(const struct stat& state) {
    return FileId{state.st_dev, state.st_ino};
}

struct Entry {
    std::string name;
    unsigned char type = DT_UNKNOWN;
};

// One folder under search: its descriptor, its entries and how far the
// search has come through them.
struct Frame {
    UniqueFd folder;
    std::vector<Entry> entries;
    std::size_t next = 0;
    std::size_t path_length = 0;
};

bool names_equal_ignoring_case(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

Result<std::vector<Entry>> read_entries(int folder) {
    int copy = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) {
        return Error{error_text(errno)};
    }
    DIR* stream = ::fdopendir(copy);
    if (stream == nullptr) {
        int error = errno;
        ::close(copy);
        return Error{error_text(error)};
    }
    std::vector<Entry> entries;
    errno = 0;
    while (dirent* entry = ::readdir(stream)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            entries.push_back(Entry{std::string(name), entry->d_type});
        }
    }
    int error = errno;
    ::closedir(stream);
    if (error != 0) {
        return Error{error_text(error)};
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

class Search {
  public:
    Search(const std::vector<std::string>& names, const SearchSettings& settings,
           BackupFolder& backup, Progress& progress)
        : m_names(names),
          m_settings(settings),
          m_mounts(settings.mount_points.begin(), settings.mount_points.end()),
          m_backup(backup),
          m_progress(progress) {}

    SearchOutcome run() {
        struct stat update_state {};
        if (::fstat(m_settings.update_folder, &update_state) == 0) {
            m_update_folder = id_of(update_state);
        }
        std::unordered_set<FileId, FileIdHash> roots_done;
        for (const std::string& root : m_settings.roots) {
            Result<UniqueFd> opened = open_folder(AT_FDCWD, root);
            UniqueFd folder;
            if (opened) {
                folder = UniqueFd(::openat(opened->get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            }
            struct stat state {};
            if (!folder.valid() || ::fstat(folder.get(), &state) != 0) {
                m_progress.detail("Cannot search \"" + root + "\"");
                continue;
            }
            if (!roots_done.insert(id_of(state)).second) {
                continue;
            }
            m_path = root;
            if (m_path.empty() || m_path.back() != '/') {
                m_path += '/';
            }
            walk(std::move(folder), state.st_dev);
        }
        return std::move(m_outcome);
    }

  private:
    void walk(UniqueFd root, dev_t device) {
        std::vector<Frame> stack;
        enter(std::move(root), UpperText::search_root, stack);
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next == frame.entries.size()) {
                stack.pop_back();
                continue;
            }
            m_path.resize(frame.path_length);
            const Entry entry = frame.entries[frame.next++];
            unsigned char type = entry.type;
            if (type == DT_UNKNOWN) {
                struct stat state {};
                if (::fstatat(frame.folder.get(), entry.name.c_str(), &state,
                              AT_SYMLINK_NOFOLLOW) != 0) {
                    continue;
                }
                type = S_ISDIR(state.st_mode) ? DT_DIR : S_ISREG(state.st_mode) ? DT_REG : DT_LNK;
            }
            if (type == DT_DIR) {
                descend(frame.folder.get(), entry.name, device, stack);
            } else if (type == DT_REG) {
                consider(frame.folder.get(), entry.name);
            }
        }
    }

    // Lists a folder and puts it on the stack, unless the folder is skipped.
    void enter(UniqueFd folder, UpperText kind, std::vector<Frame>& stack) {
        struct stat state {};
        if (::fstat(folder.get(), &state) != 0) {
            return;
        }
        if (m_update_folder && id_of(state) == *m_update_folder) {
            return;
        }
        if (m_path.find("MASTER") != std::string::npos) {
            return;
        }
        m_progress.upper("Searching " + m_path, kind);
        Result<std::vector<Entry>> entries = read_entries(folder.get());
        if (!entries) {
            m_progress.detail("Cannot list \"" + m_path + "\": " + entries.error());
            return;
        }
        stack.push_back(Frame{std::move(folder), std::move(*entries), 0, m_path.size()});
    }

    void descend(int parent, const std::string& name, dev_t device, std::vector<Frame>& stack) {
        if (name.front() == '.') {
            return;
        }
        std::string path = m_path + name;
        if (m_mounts.count(path) != 0) {
            return;
        }
        UniqueFd folder(
            ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.valid()) {
            // A link or an entry that stopped being a folder is simply not a
            // folder to search.
            if (errno != ELOOP && errno != ENOTDIR && errno != ENOENT) {
                m_progress.detail("Cannot open \"" + path + "\": " + error_text(errno));
            }
            return;
        }
        struct stat state {};
        if (::fstat(folder.get(), &state) != 0 || state.st_dev != device) {
            return;
        }
        m_path = path + "/";
        enter(std::move(folder), UpperText::folder, stack);
    }

    void consider(int folder, const std::string& name) {
        auto match = std::find_if(m_names.begin(), m_names.end(), [&](const std::string& wanted) {
            return names_equal_ignoring_case(wanted, name);
        });
        if (match == m_names.end()) {
            return;
        }
        struct stat state {};
        if (::fstatat(folder, name.c_str(), &state, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(state.st_mode) || m_replaced.count(id_of(state)) != 0) {
            return;
        }
        std::string path = m_path + name;
        m_progress.lower("Replaced " + path);
        Status status = replace(folder, name, path, *match);
        if (!status) {
            ++m_outcome.failed;
            m_progress.detail(status.error());
            m_progress.box("File copy failed!", platform::MessageKind::warning);
            return;
        }
        m_outcome.replaced.push_back(path);
        if (::fstatat(folder, name.c_str(), &state, AT_SYMLINK_NOFOLLOW) == 0) {
            m_replaced.insert(id_of(state));
        }
    }

    Status replace(int folder, const std::string& name, const std::string& path,
                   const std::string& source_name) {
        Result<UniqueFd> source = open_for_reading(m_settings.update_folder, source_name);
        if (!source) {
            return Error{source.error()};
        }
        // Without a kept copy the file is not touched.
        if (Status kept = m_backup.keep(folder, name, path); !kept) {
            return kept;
        }
        if (Status replaced = replace_file(source->get(), folder, name); !replaced) {
            return Error{"\"" + path + "\": " + replaced.error()};
        }
        if (Status listed = m_backup.list(path); !listed) {
            m_progress.detail(listed.error());
        }
        return Status::success();
    }

    const std::vector<std::string>& m_names;
    const SearchSettings& m_settings;
    std::unordered_set<std::string> m_mounts;
    BackupFolder& m_backup;
    Progress& m_progress;
    std::optional<FileId> m_update_folder;
    std::unordered_set<FileId, FileIdHash> m_replaced;
    std::string m_path;
    SearchOutcome m_outcome;
};

}  // namespace

SearchOutcome search_and_replace(const std::vector<std::string>& names,
                                 const SearchSettings& settings, BackupFolder& backup,
                                 Progress& progress) {
    return Search(names, settings, backup, progress).run();
}

}  // namespace kdr::updater
