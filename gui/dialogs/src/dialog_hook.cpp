#include "kaleidra/gui/dialog_hook.h"

#include <cstdio>

#include "dialog_script.h"
#include "library_state.h"

namespace kdr::gui {

DialogShownHook set_dialog_shown_hook(DialogShownHook hook) {
    DialogShownHook previous = std::move(library_state().shown_hook);
    library_state().shown_hook = std::move(hook);
    return previous;
}

void dialog_shown(QDialog& dialog, DialogKind kind, bool outermost) {
    if (library_state().shown_hook) {
        library_state().shown_hook(dialog, kind);
    }
    if (!outermost) {
        return;
    }
    const QString script = dialog_script_from_environment();
    if (script.isEmpty()) {
        return;
    }
    std::vector<ScriptCommand> commands;
    std::string error;
    if (!parse_dialog_script(script, commands, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        commands.clear();
        parse_dialog_script(QStringLiteral("cancel"), commands, error);
    }
    start_dialog_script(dialog, std::move(commands));
}

}  // namespace kdr::gui
