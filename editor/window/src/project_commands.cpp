// The File menu's project commands: New, Open, Save, Save As, the recent
// projects, the Settings dialog and Save Defaults.

#include <QApplication>
#include <QCursor>

#include <filesystem>

#include "kaleidra/editor/project_file.h"
#include "kaleidra/editor/window/file_dialogs.h"
#include "kaleidra/editor/window/main_window.h"
#include "kaleidra/editor/window/settings_dialog.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/platform/folder_case.h"
#include "kaleidra/platform/message_box.h"
#include "wait_cursor.h"

namespace kdr::editor::window {
namespace {

const QString project_filter = QStringLiteral("Reelbench Projects (*.kdp)");

QString projects_folder() {
    const std::optional<std::filesystem::path> root = install::install_folder();
    if (!root) {
        return QString();
    }
    return QString::fromStdString(
        platform::resolve_entry(*root, install::folder_projects).string());
}

}  // namespace

bool MainWindow::may_discard_changes() {
    if (!m_project.modified) {
        return true;
    }
    switch (platform::show_message_box("Project has changed.",
                                       "Do you want to save " + m_project.file_name + "?",
                                       platform::MessageKind::question)) {
        case platform::MessageAnswer::yes:
            return save_project();
        case platform::MessageAnswer::no:
            return true;
        default:
            return false;
    }
}

void MainWindow::new_project() {
    if (!may_discard_changes()) {
        return;
    }
    clear_project(m_project, m_preferences);
    project_changed();
    show_status(QStringLiteral("Project cleared."));
}

bool MainWindow::load_into_project(const std::string& path) {
    clear_project(m_project, m_preferences);
    m_project.file_name = path;
    m_timeline->forget_pictures();
    Result<LoadReport> loaded = load_project(m_project);
    if (!loaded) {
        platform::show_message_box("Unable to open project.", "Error opening project.",
                                   platform::MessageKind::warning);
        clear_project(m_project, m_preferences);
        show_status(QStringLiteral("Error opening project."));
        return false;
    }
    return true;
}

void MainWindow::open_project() {
    if (!may_discard_changes()) {
        return;
    }
    FileRequest request;
    request.title = QStringLiteral("Open an Reelbench Project");
    request.filter = project_filter;
    request.folder = projects_folder();
    request.name = QStringLiteral("*.kdp");
    request.default_suffix = QStringLiteral("kdp");
    const QStringList chosen = choose_files(this, request);
    if (chosen.isEmpty()) {
        show_status(QStringLiteral("Open cancelled."));
        return;
    }
    open_project_file(chosen.front().toStdString());
}

void MainWindow::open_project_file(const std::string& path) {
    if (path.size() > max_item_name_size) {
        platform::show_message_box("Unable to open project.", "Error opening project.",
                                   platform::MessageKind::warning);
        return;
    }
    {
        WaitCursor wait;
        show_status(QStringLiteral("Opening project..."));
        if (load_into_project(path)) {
            remember_recent(path);
            show_status(QStringLiteral("Project opened."));
        }
    }
    project_changed();
}

void MainWindow::open_recent(int slot) {
    if (slot < 0 || slot >= recent_project_count) {
        return;
    }
    const std::string path = m_recent.projects[static_cast<std::size_t>(slot)];
    if (path.empty() || path == m_project.file_name) {
        return;
    }
    if (!may_discard_changes()) {
        return;
    }
    {
        WaitCursor wait;
        show_status(QStringLiteral("Opening project..."));
        if (load_into_project(path)) {
            show_status(QStringLiteral("Project opened."));
        }
    }
    project_changed();
}

bool MainWindow::save_project() {
    if (m_project.file_name.find("Untitled") != std::string::npos) {
        // A new project always asks for a name first.
        return save_project_as();
    }
    WaitCursor wait;
    show_status(QStringLiteral("Saving project..."));
    if (Status saved = editor::save_project(m_project); !saved) {
        platform::show_message_box("Unable to save project.", "Error saving project to disk.",
                                   platform::MessageKind::warning);
        show_status(QStringLiteral("Error saving project."));
        return false;
    }
    refresh_title();
    show_status(QStringLiteral("Project saved."));
    m_timeline->update();
    return true;
}

bool MainWindow::save_project_as() {
    FileRequest request;
    request.kind = FileRequest::Kind::save;
    request.title = QStringLiteral("Save An Reelbench Project");
    request.filter = project_filter;
    request.folder = projects_folder();
    request.name = QString::fromStdString(std::filesystem::path(m_project.file_name).filename());
    request.default_suffix = QStringLiteral("kdp");
    request.overwrite_prompt = true;
    const QStringList chosen = choose_files(this, request);
    if (chosen.isEmpty()) {
        return false;
    }
    std::string path = chosen.front().toStdString();
    if (path.size() > max_item_name_size) {
        platform::show_message_box("Unable to save project.", "Error saving project to disk.",
                                   platform::MessageKind::warning);
        return false;
    }
    if (path.find("Untitled") != std::string::npos) {
        // Saving under a name that holds "Untitled" would ask again and
        // again; the chosen name is saved to as it is.
        const std::string previous = std::exchange(m_project.file_name, path);
        if (Status saved = editor::save_project(m_project); !saved) {
            m_project.file_name = previous;
            platform::show_message_box("Unable to save project.", "Error saving project to disk.",
                                       platform::MessageKind::warning);
            show_status(QStringLiteral("Error saving project."));
            return false;
        }
        remember_recent(path);
        refresh_title();
        show_status(QStringLiteral("Project saved."));
        return true;
    }
    m_project.file_name = path;
    remember_recent(path);
    return save_project();
}

void MainWindow::show_settings() {
    SettingsDialog dialog(this, m_project.output);
    if (dialog.exec() == QDialog::Accepted && !(dialog.settings() == m_project.output)) {
        m_project.output = dialog.settings();
        m_project.modified = true;
    }
    m_timeline->redraw();
}

void MainWindow::save_defaults() {
    if (!m_preferences.save_defaults(m_project.output, m_recent)) {
        platform::show_message_box("Save Defaults", "Unable to save the defaults.",
                                   platform::MessageKind::warning);
        return;
    }
    show_status(QStringLiteral("Defaults saved."));
}

}  // namespace kdr::editor::window
