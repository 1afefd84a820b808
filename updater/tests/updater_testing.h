#pragma once
// Helpers for the updater's tests: a Progress that records what a run shows,
// and small file helpers for temporary folders.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "kaleidra/platform/registry.h"
#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/updater/progress.h"

namespace kdr::updater::testing {

struct Event {
    enum Kind { upper, lower, detail, pause, box } kind;
    std::string text;
    UpperText upper_kind = UpperText::phase;
    platform::MessageKind box_kind = platform::MessageKind::information;
};

class RecordingProgress : public Progress {
  public:
    void upper(const std::string& text, UpperText kind) override {
        events.push_back({Event::upper, text, kind});
    }
    void lower(const std::string& text) override { events.push_back({Event::lower, text}); }
    void detail(const std::string& text) override { events.push_back({Event::detail, text}); }
    void pause(std::chrono::milliseconds duration) override {
        events.push_back({Event::pause, std::to_string(duration.count())});
    }
    platform::MessageAnswer box(const std::string& text, platform::MessageKind kind) override {
        events.push_back({Event::box, text, UpperText::phase, kind});
        return kind == platform::MessageKind::question ? question_answer
                                                       : platform::MessageAnswer::ok;
    }

    std::vector<std::string> texts(Event::Kind kind) const {
        std::vector<std::string> found;
        for (const Event& event : events) {
            if (event.kind == kind) {
                found.push_back(event.text);
            }
        }
        return found;
    }
    std::vector<std::string> boxes() const { return texts(Event::box); }
    int count(Event::Kind kind) const { return static_cast<int>(texts(kind).size()); }

    platform::MessageAnswer question_answer = platform::MessageAnswer::ok;
    std::vector<Event> events;
};

inline void write_file(const std::filesystem::path& file, const std::string& contents) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
}

inline std::string read_file(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

inline unsigned mode_of(const std::filesystem::path& file) {
    struct stat state {};
    ::lstat(file.c_str(), &state);
    return state.st_mode & 07777;
}

// Removes everything inside the open folder `folder`, however deep, one
// component at a time: std::filesystem gives up on paths beyond the
// system's limit and would leave such trees behind.
inline void remove_contents_at(int folder) {
    DIR* stream = ::fdopendir(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (stream == nullptr) {
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(stream)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(stream);
    for (const std::string& name : names) {
        struct stat state {};
        if (::fstatat(folder, name.c_str(), &state, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(state.st_mode)) {
            int inner = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (inner >= 0) {
                remove_contents_at(inner);
                ::close(inner);
            }
            ::unlinkat(folder, name.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(folder, name.c_str(), 0);
        }
    }
}

inline void remove_contents(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        remove_contents_at(fd);
        ::close(fd);
    }
}

inline std::string joined(const std::vector<std::string>& texts) {
    std::string text;
    for (const std::string& part : texts) {
        text += part + "\n";
    }
    return text;
}

// Script text from lines, each ended with CR LF.
inline std::string crlf_lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

inline const std::string script_key = "Software\\Talvane\\Kaleidra\\3.0";

// An update folder holding update.txt, and an installation folder recorded
// as "Path" under the script key in a registry store, all in one temporary
// folder.
class UpdateFolders {
  public:
    UpdateFolders() {
        std::filesystem::create_directories(installation);
        write_file(update / "update.txt", "Kaleidra 3.0.9");
        Status status = registry().set(
            script_key, platform::RegistryValue::make_string("Path", installation.string()));
        if (!status) {
            throw std::runtime_error(status.error());
        }
    }

    platform::Registry registry() const { return platform::Registry(root.path() / "registry"); }

    // update.data: the header for the script key and these command lines.
    void script(std::initializer_list<std::string> commands) const {
        write_file(update / "update.data",
                   crlf_lines({script_key, "3", "3.0.9", std::to_string(commands.size())}) +
                       crlf_lines(commands));
    }

    test::TempFolder root;
    std::filesystem::path update = root.path() / "update";
    std::filesystem::path installation = root.path() / "Kal";
};

}  // namespace kdr::updater::testing
