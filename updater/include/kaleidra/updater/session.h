#pragma once
// One run of the updater from start to end, shared by the dialog and the
// unattended front ends:
//   prepare()  shows "update.txt" in an OK/Cancel box (unless the run is
//              unattended), reads and parses "update.data";
//   execute()  "Updating Files", the commands, then the drive search when an
//              "R" command exists;
//   finish()   lists what the search replaced, then "Update is complete.".
// A missing update file ends the run in prepare() with its message and no
// change. prepare() and finish() run on the thread that may show boxes;
// execute() may run on a worker, as it speaks only through its Progress.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/registry.h"
#include "kaleidra/updater/file_ops.h"
#include "kaleidra/updater/folders.h"
#include "kaleidra/updater/progress.h"
#include "kaleidra/updater/script.h"

namespace kdr::updater {

inline constexpr std::size_t update_file_limit = std::size_t{1} << 20;

// The store an update reads "Path" from and writes its values to. Root updates
// the installation for every user, so it works on the system store the
// install wrote; anyone else works on their own view (their store over the
// system store). `$KALEIDRA_REGISTRY` names one single store in both cases.
platform::Registry updater_registry();

struct SessionSettings {
    std::string update_path;  // the update folder; relative names start there
    bool show_text = true;    // false: update.txt is accepted unseen
    // The folders the drive search starts from; by default every mounted
    // local disk.
    std::optional<std::vector<std::string>> search_roots;
    // The kernel's mount table text; by default /proc/self/mounts.
    std::function<Result<std::string>()> mount_table;
    platform::Registry registry = updater_registry();
    SystemFolders system_folders = system_folders_from_environment();
};

enum class SessionEnd { running, completed, command_failed, cancelled, not_started };

class Session {
  public:
    explicit Session(SessionSettings settings);

    // False when the run ends here: cancelled, or an update file missing.
    bool prepare(Progress& progress);
    void execute(Progress& progress);
    void finish(Progress& progress);

    SessionEnd end() const { return m_end; }
    // 0 done, 1 a command failed, 2 the update could not start, 3 cancelled.
    int exit_code() const;
    const Script& script() const { return m_script; }
    const std::vector<std::string>& replaced() const { return m_replaced; }
    const std::string& backup_path() const { return m_backup_path; }

  private:
    bool give_up(Progress& progress, const std::string& message, const std::string& reason);
    std::vector<std::string> search_roots(Progress& progress, std::vector<std::string>& mounts);

    SessionSettings m_settings;
    UniqueFd m_update_folder;
    Script m_script;
    SessionEnd m_end = SessionEnd::running;
    int m_failed = 0;
    std::vector<std::string> m_replaced;
    std::string m_backup_path;
};

// Boxes go to the platform's message-box hook; texts, details and pauses are
// dropped. For the steps that show only boxes.
class BoxesOnly : public Progress {
  public:
    void upper(const std::string&, UpperText) override {}
    void lower(const std::string&) override {}
    void detail(const std::string&) override {}
    void pause(std::chrono::milliseconds) override {}
    platform::MessageAnswer box(const std::string& text, platform::MessageKind kind) override;
};

}  // namespace kdr::updater
