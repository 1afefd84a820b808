#include "kaleidra/gui/selection.h"

#include <cstdio>

#include "about_box.h"
#include "kaleidra/gui/dialog_hook.h"
#include "library_state.h"
#include "owner_window.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui {
namespace {

// Marks the library busy for the length of one dialog.
class OpenDialog {
  public:
    OpenDialog() { library_state().dialog_open = true; }
    ~OpenDialog() { library_state().dialog_open = false; }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;
};

bool ready_for_dialog() {
    std::string reason;
    if (!ensure_application(reason)) {
        std::fprintf(stderr, "Kaleidra30: no dialog can be shown: %s\n", reason.c_str());
        return false;
    }
    if (library_state().dialog_open) {
        return false;
    }
    ensure_attached();
    return true;
}

}  // namespace

int select_effect(std::uintptr_t owner, EffectSettings* record, int filter_mode) {
    if (record == nullptr || !ready_for_dialog()) {
        return dialog_not_shown;
    }
    OpenDialog open;
    const bool filter = filter_mode != 0;
    SelectionSession session(*record, filter);
    // A filter needs a length: a record that names none renders 100 frames,
    // placed by the filter values.
    if (filter && record->globals[global_filter_frames] == 0.0f) {
        record->globals[global_filter_frames] = 100.0f;
        record->globals[global_filter_placement] = 1.0f;
    }
    int result = dialog_ok;
    {
        SelectionSheet sheet(session, own_window(owner));
        const ForeignOwner foreign(sheet, owner);
        dialog_shown(sheet, DialogKind::selection_sheet, true);
        sheet.exec();
    }
    if (session.cancelled()) {
        session.restore_backup();
        result = dialog_cancelled;
    }
    return result;
}

int show_about(std::uintptr_t owner, const char* title, const char* release) {
    if (!ready_for_dialog()) {
        return dialog_not_shown;
    }
    OpenDialog open;
    AboutBox box(title, release, own_window(owner));
    const ForeignOwner foreign(box, owner);
    dialog_shown(box, DialogKind::about_box, true);
    box.exec();
    return dialog_ok;
}

}  // namespace kdr::gui
