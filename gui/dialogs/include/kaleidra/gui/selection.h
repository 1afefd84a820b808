#pragma once
// The selection dialog and the about box, as the library's two exports run
// them (library/include/kaleidra/kdrgui.h). Call from the thread that runs
// the process's Qt application, or from any one thread of a program without
// Qt: the first call then makes the application on that thread and keeps it
// for the life of the process. One dialog at a time: a call made while a
// dialog of this library is open returns 2.

#include <cstdint>

#include "kaleidra/records/layout.h"

namespace kdr::gui {

// Results shared by both calls.
enum DialogResult : int { dialog_ok = 0, dialog_cancelled = 1, dialog_not_shown = 2 };

// Opens the property sheet over `record`, which the pages edit in place.
// OK: 0, the record holds every edit. Cancel: 1, the record is restored to
// what it held on entry. 2: no sheet could be shown (no display, a call
// from the wrong thread, a null record); the record is unchanged. `owner`
// is a native window id (X11) or 0; `filter_mode` non-zero for image
// filters.
int select_effect(std::uintptr_t owner, EffectSettings* record, int filter_mode);

// The about box: `title` defaults to "Kaleidra" and `release` to
// "Release 3". 0 when it was shown and closed, 2 when it could not be.
int show_about(std::uintptr_t owner, const char* title, const char* release);

// The library's attach work: the registry key, the catalogue refresh (with
// its progress window) and the help file's path. Runs once, at the first
// call of either function above, once an application exists; tests run it
// again after changing the installation folder.
void attach_library();

}  // namespace kdr::gui
