// updater: applies the update in its own folder (or in FOLDER): shows
// update.txt, runs update.data's commands in a small dialog, replaces the
// files named by "R" commands on every local disk. With --yes it runs
// unattended and prints what it does.

#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/updater/console_progress.h"
#include "kaleidra/updater/gui/dialog_run.h"
#include "kaleidra/updater/gui/message_dialog.h"
#include "kaleidra/updater/session.h"

namespace {

using namespace kdr::updater;

constexpr int exit_usage = 2;

const char* const usage_text =
    "Usage: updater [--yes] [--search-root DIR]... [FOLDER]\n"
    "\n"
    "Applies the update in FOLDER (by default the folder of this program):\n"
    "shows update.txt, then runs the commands of update.data, which copy and\n"
    "delete files and set values in the Kaleidra registry store, and replaces\n"
    "every file named by an \"R\" command on the mounted local disks, keeping\n"
    "a copy of each in a backup folder inside FOLDER.\n"
    "\n"
    "Options:\n"
    "  --yes              run unattended: accept update.txt without showing it,\n"
    "                     answer every message with its default button, show no\n"
    "                     dialog, and print each message and action\n"
    "  --search-root DIR  search only below DIR for the \"R\" commands' files\n"
    "                     (repeatable) instead of every mounted local disk\n"
    "  -h, --help         show this help\n"
    "\n"
    "Folders: {KDRDIR} is \"Path\" under the script's key in the registry store\n"
    "($KALEIDRA_REGISTRY, else the user's own store: run through sudo, the\n"
    "updater reads and writes root's); {WINDIR} is $KALEIDRA_WINDIR, else the\n"
    "first folder of $XDG_CONFIG_DIRS, else /etc/xdg; {SYSDIR} is\n"
    "$KALEIDRA_SYSDIR, else /usr/local/lib.\n"
    "\n"
    "Exit status: 0 done, 1 a command failed, 2 usage error or the update\n"
    "could not start, 3 cancelled.\n";

struct Options {
    bool yes = false;
    bool help = false;
    std::optional<std::string> folder;
    std::vector<std::string> search_roots;
    std::string error;
};

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--yes") {
            options.yes = true;
        } else if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "--search-root") {
            if (i + 1 == argc) {
                options.error = "--search-root needs a folder";
                return options;
            }
            options.search_roots.push_back(argv[++i]);
        } else if (argument.size() > 1 && argument.front() == '-') {
            options.error = "unknown option \"" + argument + "\"";
            return options;
        } else if (options.folder) {
            options.error = "only one update folder may be given";
            return options;
        } else {
            options.folder = argument;
        }
    }
    return options;
}

// The folder's own path, without links, as the mount table names folders.
std::string absolute(const std::string& path) {
    std::error_code failed;
    std::filesystem::path whole = std::filesystem::weakly_canonical(path, failed);
    if (failed || whole.empty()) {
        whole = std::filesystem::absolute(path, failed);
    }
    return failed || whole.empty() ? path : whole.string();
}

// The folder of this program: everything before the last "/".
std::string program_folder(const char* argv0) {
    std::error_code failed;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
    std::string path = failed ? std::string(argv0) : self.string();
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return absolute(".");
    }
    return absolute(slash == 0 ? "/" : path.substr(0, slash));
}

bool display_available() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options options = parse_options(argc, argv);
    if (!options.error.empty()) {
        std::fprintf(stderr, "updater: %s\nTry 'updater --help'.\n", options.error.c_str());
        return exit_usage;
    }
    if (options.help) {
        std::fputs(usage_text, stdout);
        return 0;
    }

    SessionSettings settings;
    settings.update_path = options.folder ? absolute(*options.folder) : program_folder(argv[0]);
    settings.show_text = !options.yes;
    if (!options.search_roots.empty()) {
        std::vector<std::string> roots;
        for (const std::string& root : options.search_roots) {
            roots.push_back(absolute(root));
        }
        settings.search_roots = std::move(roots);
    }
    // Relative names in the script name files of the update folder.
    if (::chdir(settings.update_path.c_str()) != 0) {
        std::fprintf(stderr, "updater: cannot enter \"%s\": %s\n", settings.update_path.c_str(),
                     std::strerror(errno));
    }

    if (options.yes) {
        ConsoleProgress out(stdout);
        out.detail("update folder: " + settings.update_path);
        out.detail("registry store: " + settings.registry.file().string());
        Session session(std::move(settings));
        if (session.prepare(out)) {
            session.execute(out);
            session.finish(out);
        }
        return session.exit_code();
    }

    if (!display_available()) {
        std::fputs(
            "updater: there is no display to show the update on; "
            "'updater --yes' runs it unattended\n",
            stderr);
        return exit_usage;
    }
    QApplication application(argc, argv);
    kdr::platform::set_message_box_handler(gui::show_qt_message_box);
    return gui::run_with_dialog(std::move(settings));
}
