#include "kaleidra/editor/window/desktop_services.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>

#include <cstdlib>

#include "help_viewer.h"
#include "kaleidra/install/install_paths.h"

namespace kdr::editor::window {

platform::MessageAnswer show_qt_message_box(const std::string& title, const std::string& text,
                                            platform::MessageKind kind) {
    QWidget* parent = QApplication::activeModalWidget();
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    const QString qtitle = QString::fromStdString(title);
    const QString qtext = QString::fromStdString(text);
    switch (kind) {
        case platform::MessageKind::error:
            QMessageBox::critical(parent, qtitle, qtext);
            return platform::MessageAnswer::ok;
        case platform::MessageKind::warning:
            QMessageBox::warning(parent, qtitle, qtext);
            return platform::MessageAnswer::ok;
        case platform::MessageKind::question:
            switch (QMessageBox::warning(parent, qtitle, qtext,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                         QMessageBox::Yes)) {
                case QMessageBox::Yes:
                    return platform::MessageAnswer::yes;
                case QMessageBox::No:
                    return platform::MessageAnswer::no;
                default:
                    return platform::MessageAnswer::cancel;
            }
        case platform::MessageKind::information:
            break;
    }
    QMessageBox::information(parent, qtitle, qtext);
    return platform::MessageAnswer::ok;
}

QString player_program() {
    const char* chosen = std::getenv("KALEIDRA_PLAYER");
    if (chosen != nullptr && chosen[0] != '\0') {
        return QString::fromLocal8Bit(chosen);
    }
    return QStringLiteral("xdg-open");
}

bool start_player(const std::filesystem::path& movie) {
    return QProcess::startDetached(player_program(), {QString::fromStdString(movie.string())});
}

std::filesystem::path help_file() {
    return install::build_path(install::folder_help, "REELBENCH", "html").value_or("");
}

void open_help(QWidget* owner, int context) {
    gui::HelpViewer* viewer = gui::HelpViewer::open(owner, help_file(), context);
    viewer->setWindowTitle(QStringLiteral("Reelbench Help"));
}

}  // namespace kdr::editor::window
