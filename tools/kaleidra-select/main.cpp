// kaleidra-select: the selection dialog over a stored settings file, for
// everyone who renders with kaleidra-render --settings or the frei0r
// transition's "settings" parameter.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/gui/display_probe.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/kdrgui.h"
#include "kaleidra/scene/effect_settings.h"

namespace {

namespace fs = std::filesystem;

const char* const usage_text =
    "Usage: kaleidra-select [--filter] FILE\n"
    "       kaleidra-select --about\n"
    "\n"
    "Opens the selection dialog over the stored settings file FILE (form\n"
    "KDRR, as kaleidra-render --settings and the frei0r transition read it).\n"
    "OK writes the chosen effect and options back into FILE; Cancel leaves it\n"
    "as it was. A FILE that does not exist yet starts from the saved default\n"
    "options and is created on OK.\n"
    "\n"
    "Options:\n"
    "  --filter     open the dialog as image filters do (Filter Options page,\n"
    "               one still preview)\n"
    "  --about      show the about box\n"
    "  -h, --help   show this help\n"
    "\n"
    "Exit status: 0 after OK (FILE written), 1 after Cancel, 2 when no dialog\n"
    "can be shown (no display), 3 when FILE cannot be read or written, 4 on a\n"
    "usage error.\n";

enum Exit : int {
    exit_ok = 0,
    exit_cancelled = 1,
    exit_no_display = 2,
    exit_file = 3,
    exit_usage = 4
};

int usage_error(const std::string& message) {
    std::fprintf(stderr, "kaleidra-select: %s\n%s", message.c_str(), usage_text);
    return exit_usage;
}

// False, with a message on standard error, when no window can be opened.
bool display_usable() {
    const kdr::gui::DisplayProbe probe = kdr::gui::probe_display();
    if (!probe.usable) {
        std::fprintf(stderr, "kaleidra-select: cannot open a dialog: %s\n", probe.reason.c_str());
    }
    return probe.usable;
}

struct Record {
    kdr::EffectSettings value;
    bool valid;
    Record() : valid(kdr::settings_initialise(value)) {}
    ~Record() { kdr::settings_destroy(value); }
};

bool write_settings(const kdr::EffectSettings& settings, const fs::path& file) {
    auto stream = kdr::chunks::ChunkStream::open_file(kdr::chunks::ChunkMode::write_file, file,
                                                      kdr::chunks::make_id("KDRR"));
    kdr::settings_write(settings, stream);
    const int written = stream.status();
    const int closed = stream.close();
    if (written != kdr::chunks::ready || closed != kdr::chunks::ready) {
        std::fprintf(
            stderr, "kaleidra-select: cannot write %s: %s\n", file.c_str(),
            kdr::chunks::chunk_status_text(written != kdr::chunks::ready ? written : closed));
        return false;
    }
    return true;
}

int show_about() {
    if (!display_usable()) {
        return exit_no_display;
    }
    if (KDRGUI_About(0, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "kaleidra-select: the about box could not be shown\n");
        return exit_no_display;
    }
    return exit_ok;
}

int select(const fs::path& file, bool filter) {
    Record record;
    if (!record.valid) {
        std::fprintf(stderr, "kaleidra-select: out of memory\n");
        return 3;
    }
    std::error_code error;
    const bool exists = fs::exists(file, error);
    const kdr::Status loaded =
        kdr::host::load_starting_settings(record.value, exists ? file : fs::path());
    if (!loaded.ok()) {
        std::fprintf(stderr, "kaleidra-select: %s\n", loaded.error().c_str());
        return exit_file;
    }
    if (!display_usable()) {
        return exit_no_display;
    }
    switch (KDRGUI_Select(0, &record.value, filter ? 1 : 0)) {
        case 0:
            return write_settings(record.value, file) ? exit_ok : exit_file;
        case 1:
            return exit_cancelled;
        default:
            std::fprintf(stderr, "kaleidra-select: the selection dialog could not be shown\n");
            return exit_no_display;
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool filter = false;
    bool about = false;
    fs::path file;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::fputs(usage_text, stdout);
            return exit_ok;
        }
        if (argument == "--filter") {
            filter = true;
        } else if (argument == "--about") {
            about = true;
        } else if (argument.starts_with("-") && argument != "-") {
            return usage_error("unknown option \"" + argument + "\"");
        } else if (file.empty()) {
            file = argument;
        } else {
            return usage_error("only one settings file may be named");
        }
    }
    kdr::install::set_registry_key(kdr::install::package_registry_key);
    if (about) {
        if (!file.empty() || filter) {
            return usage_error("--about takes no file");
        }
        return show_about();
    }
    if (file.empty()) {
        return usage_error("no settings file named");
    }
    return select(file, filter);
}
