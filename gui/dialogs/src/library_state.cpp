#include "library_state.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <algorithm>
#include <cctype>
#include <system_error>

#include "catalogue_progress.h"
#include "kaleidra/gui/catalogue_refresh.h"
#include "kaleidra/gui/display_probe.h"
#include "kaleidra/gui/selection.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"

namespace kdr::gui {
namespace {

std::string process_file_name() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.filename().string();
}

platform::MessageAnswer qt_message_box(const std::string& title, const std::string& text,
                                       platform::MessageKind kind) {
    QWidget* parent = QApplication::activeModalWidget();
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
            return QMessageBox::question(parent, qtitle, qtext) == QMessageBox::Yes
                       ? platform::MessageAnswer::yes
                       : platform::MessageAnswer::no;
        case platform::MessageKind::information:
            break;
    }
    QMessageBox::information(parent, qtitle, qtext);
    return platform::MessageAnswer::ok;
}

}  // namespace

LibraryState::LibraryState() {
    // The message-box handler's storage is made before the state, so that it
    // is still there when the detach work below resets it.
    platform::set_message_box_handler(platform::set_message_box_handler({}));
}

LibraryState::~LibraryState() {
    // Detach: a handler that points into this library must not outlive it.
    if (own_message_boxes) {
        platform::set_message_box_handler({});
    }
}

LibraryState& library_state() {
    static LibraryState state;
    return state;
}

bool ensure_application(std::string& reason) {
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        if (qobject_cast<QApplication*>(existing) == nullptr) {
            reason = "the program's Qt application has no widgets";
            return false;
        }
        if (QThread::currentThread() != existing->thread()) {
            reason = "called from a thread other than the program's GUI thread";
            return false;
        }
        return true;
    }
    const DisplayProbe probe = probe_display();
    if (!probe.usable) {
        reason = probe.reason;
        return false;
    }
    // Qt keeps pointers to the arguments for the life of the application.
    static int argc = 1;
    static char name[] = "Kaleidra30";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // kept for the life of the process
    return true;
}

bool process_wants_no_progress_window(const std::string& process_file_name) {
    std::string lower = process_file_name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("veditor") != std::string::npos;
}

void attach_library() {
    LibraryState& state = library_state();
    install::set_registry_key(install::package_registry_key);
    // Keep a handler the program installed; otherwise messages get real
    // boxes instead of standard error.
    platform::MessageBoxHandler previous = platform::set_message_box_handler({});
    if (previous) {
        platform::set_message_box_handler(std::move(previous));
    } else {
        platform::set_message_box_handler(qt_message_box);
        state.own_message_boxes = true;
    }
    if (process_wants_no_progress_window(process_file_name())) {
        (void)refresh_catalogue();
    } else {
        (void)refresh_catalogue(run_with_progress_window);
    }
    state.help_file = install::build_path(install::folder_help, "KDRSlct", "html").value_or("");
    state.attached = true;
}

void ensure_attached() {
    if (!library_state().attached) {
        attach_library();
    }
}

}  // namespace kdr::gui
