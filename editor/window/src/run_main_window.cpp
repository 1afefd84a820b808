// The program's window part: start-up, the window, the event loop, and the
// "Reelbench Internal Error" message for a start-up that fails.

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>

#include <filesystem>

#include <cstdio>
#include "kaleidra/editor/window/desktop_services.h"
#include "kaleidra/editor/window/main_window.h"
#include "kaleidra/editor/window/program_icon.h"
#include "kaleidra/gui/display_probe.h"
#include "kaleidra/install/registry_values.h"

namespace kdr::editor::window {
namespace {

// The start-up's error codes: 1 and 2 belong to the engine binding and are
// never raised here.
const char* internal_error_text(int code) {
    switch (code) {
        case 1:
            return "Error finding library";
        case 2:
            return "Error finding function";
        case 3:
            return "Error getting settings";
        case 4:
            return "Error creating window class";
        default:
            return "Error creating main window";
    }
}

constexpr int error_getting_settings = 3;

}  // namespace

int run_main_window(int argc, char** argv, const std::string& project) {
    const gui::DisplayProbe display = gui::probe_display();
    if (!display.usable) {
        std::fprintf(stderr,
                     "reelbench: cannot open the main window: %s\n"
                     "Render a project without a window with 'reelbench --render PROJECT.kdp'.\n",
                     display.reason.c_str());
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Reelbench"));
    QApplication::setDesktopFileName(QStringLiteral("reelbench"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(QPixmap::fromImage(program_icon(size)));
    }
    QApplication::setWindowIcon(icon);
    platform::set_message_box_handler(show_qt_message_box);
    install::set_registry_key(install::package_registry_key);

    int error = error_getting_settings;
    std::string reason;
    const Preferences preferences = Preferences::open_default();
    if (Result<RecentValues> recent = preferences.start_up()) {
        MainWindow window(preferences, *recent);
        // Without a window manager nothing maximises the window: it then
        // takes the screen's free area itself.
        if (const QScreen* screen = window.screen()) {
            window.setGeometry(screen->availableGeometry());
        }
        window.showMaximized();
        if (!project.empty()) {
            std::error_code ignored;
            const std::filesystem::path path = std::filesystem::absolute(project, ignored);
            window.open_project_file(path.empty() ? project : path.lexically_normal().string());
        }
        application.exec();
        error = 0;
    } else {
        reason = recent.error();
    }
    if (error != 0) {
        // The message names the code itself (the number shown was always 0).
        const std::string text =
            std::string(internal_error_text(error)) + ".  Error Number " + std::to_string(error);
        std::fprintf(stderr, "reelbench: %s %s\n", text.c_str(), reason.c_str());
        platform::show_message_box("Reelbench Internal Error", text, platform::MessageKind::error);
        return 1;
    }
    return 0;
}

}  // namespace kdr::editor::window
