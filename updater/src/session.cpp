#include "kaleidra/updater/session.h"

#include <fcntl.h>
#include <unistd.h>

#include "kaleidra/updater/backup.h"
#include "kaleidra/updater/commands.h"
#include "kaleidra/updater/drive_search.h"
#include "kaleidra/updater/mount_table.h"

namespace kdr::updater {

platform::Registry updater_registry() {
    return ::geteuid() == 0 ? platform::Registry::open_system()
                            : platform::Registry::open_default();
}

namespace {

using platform::MessageAnswer;
using platform::MessageKind;

constexpr std::size_t summary_lines = 20;

std::string summary(const std::vector<std::string>& replaced, const std::string& backup) {
    std::string text = "Replaced " + std::to_string(replaced.size()) +
                       (replaced.size() == 1 ? " file" : " files") +
                       "; the old files are kept in " + backup + ":";
    for (std::size_t i = 0; i < replaced.size() && i < summary_lines; ++i) {
        text += "\n" + replaced[i];
    }
    if (replaced.size() > summary_lines) {
        text += "\n... and " + std::to_string(replaced.size() - summary_lines) +
                " more, listed in replaced.txt there";
    }
    return text;
}

}  // namespace

MessageAnswer BoxesOnly::box(const std::string& text, MessageKind kind) {
    return platform::show_message_box(installer_title, text, kind);
}

Session::Session(SessionSettings settings) : m_settings(std::move(settings)) {
    if (!m_settings.mount_table) {
        m_settings.mount_table = read_mount_table;
    }
}

bool Session::give_up(Progress& progress, const std::string& message, const std::string& reason) {
    m_end = SessionEnd::not_started;
    progress.detail(reason);
    progress.box(message, MessageKind::warning);
    return false;
}

bool Session::prepare(Progress& progress) {
    Result<UniqueFd> folder = open_folder(AT_FDCWD, m_settings.update_path);
    if (!folder) {
        return give_up(progress, "Could not open update.txt.  Update failed.", folder.error());
    }
    m_update_folder = std::move(*folder);

    Result<std::string> text =
        read_small_file(m_update_folder.get(), "update.txt", update_file_limit);
    if (!text) {
        return give_up(progress, "Could not open update.txt.  Update failed.", text.error());
    }
    if (m_settings.show_text) {
        // The one box with a Cancel button; the updater's box handler shows a
        // question with OK and Cancel.
        MessageAnswer answer = progress.box(*text, MessageKind::question);
        if (answer != MessageAnswer::ok && answer != MessageAnswer::yes) {
            m_end = SessionEnd::cancelled;
            return false;
        }
    }

    Result<std::string> data =
        read_small_file(m_update_folder.get(), "update.data", update_file_limit);
    if (!data) {
        return give_up(progress, "Could not open update.data. Update failed.", data.error());
    }
    const platform::Registry& registry = m_settings.registry;
    const SystemFolders& system = m_settings.system_folders;
    Result<Script> script = parse_script(
        *data, [&](const std::string& key) { return fetch_folder_values(registry, key, system); });
    if (!script) {
        return give_up(progress,
                       "update.data cannot be run: " + script.error() + ".  Update failed.",
                       script.error());
    }
    m_script = std::move(*script);
    if (m_script.ignored_bytes > 0) {
        progress.detail("update.data: " + std::to_string(m_script.ignored_bytes) +
                        " bytes after the last CR LF are not a line and were ignored");
    }
    if (m_script.ignored_lines > 0) {
        progress.detail("update.data: " + std::to_string(m_script.ignored_lines) +
                        " lines beyond the declared " + std::to_string(m_script.declared_count) +
                        " commands were ignored");
    }
    return true;
}

std::vector<std::string> Session::search_roots(Progress& progress,
                                               std::vector<std::string>& mounts) {
    Result<std::string> table_text = m_settings.mount_table();
    std::vector<MountEntry> table;
    if (table_text) {
        table = parse_mount_table(*table_text);
    }
    mounts = mount_points(table);
    if (m_settings.search_roots) {
        return *m_settings.search_roots;
    }
    if (!table_text) {
        ++m_failed;
        progress.detail("Cannot read the mount table: " + table_text.error());
    }
    return local_disk_roots(table);
}

void Session::execute(Progress& progress) {
    progress.upper("Updating Files", UpperText::phase);
    CommandSettings commands;
    commands.update_folder = m_update_folder.get();
    commands.registry = &m_settings.registry;
    CommandOutcome outcome = run_commands(m_script, commands, progress);
    m_failed += outcome.failed;

    if (outcome.replace_count > 0) {
        SearchSettings search;
        search.update_folder = m_update_folder.get();
        search.roots = search_roots(progress, search.mount_points);
        BackupFolder backup(m_update_folder.get(), m_settings.update_path, backup_folder_name());
        SearchOutcome found = search_and_replace(outcome.replace_names, search, backup, progress);
        m_failed += found.failed;
        m_replaced = std::move(found.replaced);
        m_backup_path = backup.path();
        progress.lower("");
    }
    m_end = m_failed > 0 ? SessionEnd::command_failed : SessionEnd::completed;
}

void Session::finish(Progress& progress) {
    if (!m_replaced.empty()) {
        progress.box(summary(m_replaced, m_backup_path), MessageKind::information);
    }
    progress.box("Update is complete.", MessageKind::information);
}

int Session::exit_code() const {
    switch (m_end) {
        case SessionEnd::running:
        case SessionEnd::completed:
            return 0;
        case SessionEnd::command_failed:
            return 1;
        case SessionEnd::not_started:
            return 2;
        case SessionEnd::cancelled:
            return 3;
    }
    return 2;
}

}  // namespace kdr::updater
