// Make Preview and Make Final from the window, the progress dialog's end
// of a render, and playing the last preview or final.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

#include "kaleidra/editor/window/desktop_services.h"
#include "kaleidra/editor/window/file_dialogs.h"
#include "kaleidra/editor/window/main_window.h"
#include "kaleidra/editor/window/progress_dialog.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/platform/message_box.h"

namespace kdr::editor::window {
namespace {

bool nothing_in_project(const Project& project) {
    if (!project.items().empty()) {
        return false;
    }
    platform::show_message_box("Cannot make preview", "Nothing in project.",
                               platform::MessageKind::error);
    return true;
}

bool readable(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return stream.good();
}

void play(const std::filesystem::path& movie) {
    if (!start_player(movie)) {
        platform::show_message_box(
            "Cannot play movie.",
            "Unable to start the movie player " + player_program().toStdString() + ".",
            platform::MessageKind::warning);
    }
}

std::filesystem::path preview_file() {
    return install::build_path(install::folder_work, "Preview", "avi").value_or("");
}

}  // namespace

void MainWindow::make_preview() {
    if (rendering() || nothing_in_project(m_project)) {
        return;
    }
    show_status(QStringLiteral("Rendering Preview..."));
    RenderRequest request;
    request.kind = RenderKind::preview;
    m_preview_render = true;
    start_render(request, QStringLiteral("Making Preview"));
}

void MainWindow::make_final() {
    if (rendering() || nothing_in_project(m_project)) {
        return;
    }
    const std::filesystem::path proposal = proposed_final_path(m_project, m_recent);
    show_status(QStringLiteral("Select a name of the AVI file to create."));
    FileRequest request;
    request.kind = FileRequest::Kind::save;
    request.title = QStringLiteral("Select name for output file");
    request.filter = QStringLiteral("AVI Files (*.avi)");
    request.folder = QString::fromStdString(proposal.parent_path().string());
    request.name = QString::fromStdString(proposal.filename().string());
    request.default_suffix = QStringLiteral("avi");
    request.overwrite_prompt = true;
    const QStringList chosen = choose_files(this, request);
    if (chosen.isEmpty()) {
        show_status(QStringLiteral("Make movie cancelled."));
        return;
    }
    const std::filesystem::path movie = chosen.front().toStdString();
    if (movie.string().size() <= max_last_final_size) {
        m_project.output.last_final = movie.string();
    }
    m_recent.last_output = movie.parent_path().string().substr(0, max_item_name_size);
    (void)m_preferences.write_recent(m_recent);

    RenderRequest render;
    render.kind = RenderKind::final_movie;
    render.output = movie;
    m_preview_render = false;
    start_render(render, QStringLiteral("Making Final %1").arg(chosen.front()));
    if (rendering()) {
        show_status(QStringLiteral("Rendering Movie."));
    }
}

void MainWindow::start_render(const RenderRequest& request, const QString& title) {
    if (Status started = m_renderer.start(m_project, request); !started) {
        // The renderer has told the user why.
        show_status(QString());
        return;
    }
    m_timeline->forget_pictures();
    set_commands_enabled(false);
    m_progress = new ProgressDialog(this, title, m_renderer, [this] { render_ended(); });
    m_progress->show();
}

void MainWindow::render_ended() {
    if (m_progress == nullptr) {
        return;
    }
    for (const std::string& notice : m_renderer.take_notices()) {
        std::fprintf(stderr, "reelbench: %s\n", notice.c_str());
    }
    Result<RenderOutcome> outcome = m_renderer.finish();
    m_progress->hide();
    m_progress->deleteLater();
    m_progress = nullptr;
    set_commands_enabled(true);
    m_project.recompute();
    m_timeline->redraw();
    const bool close_now = std::exchange(m_close_after_render, false);
    if (!outcome) {
        show_status(QString());
    } else {
        show_status(outcome->stopped ? QStringLiteral("Rendering stopped.")
                                     : QStringLiteral("Rendering finished."));
        if (!close_now && readable(outcome->movie)) {
            play(outcome->movie);
        }
    }
    if (close_now) {
        // The close the render held up goes on, with its question.
        close();
    }
}

void MainWindow::play_last_preview() {
    const std::filesystem::path movie = preview_file();
    if (movie.empty() || !readable(movie)) {
        platform::show_message_box("Cannot play last preview.", "You have never made a preview.",
                                   platform::MessageKind::warning);
        return;
    }
    play(movie);
}

void MainWindow::play_last_final() {
    if (m_project.output.last_final.empty()) {
        platform::show_message_box("Cannot play last final.",
                                   "You have never made a final movie for this project.",
                                   platform::MessageKind::warning);
        return;
    }
    play(m_project.output.last_final);
}

}  // namespace kdr::editor::window
