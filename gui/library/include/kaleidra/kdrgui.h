#pragma once
// The two exports of the selection dialog library Kaleidra30
// (libKaleidra30.so), for the host adapters and programs that link it by
// name. Both run modal dialogs and return 16-bit results.
//
// Threads: call from the thread that runs the program's Qt application, or
// from any one thread of a program without Qt (the first call then makes a
// Qt application on that thread and keeps it for the life of the process;
// calls from another thread later return 2). When no display can be opened
// both return 2 at once and the process goes on.
//
// Answering the dialogs without a person (tests, simulated hosts): see the
// environment variable KALEIDRA_DIALOG_SCRIPT in
// gui/dialogs/include/kaleidra/gui/dialog_hook.h.

#include <cstdint>

#include "kaleidra/records/layout.h"

extern "C" {

// A native window id (an X11 window) or 0 for no owner. The dialogs stay
// above it; Kaleidra's own Qt programs pass their window's id.
typedef std::uintptr_t KdrOwnerWindow;

// Opens the selection dialog over `settings`, which it edits in place.
// 0: OK, the record holds every edit. 1: cancelled, the record holds what
// it held on entry. 2: the dialog could not be shown; the record is
// unchanged. `filter_mode` non-zero for image filters (the Filter Options
// page; a filter frame count of 0 becomes 100).
std::int16_t KDRGUI_Select(KdrOwnerWindow owner, kdr::EffectSettings* settings,
                           std::int32_t filter_mode);

// The about box. Null texts give "Kaleidra" and "Release 3". 0 once shown
// and closed, 2 when it could not be shown.
std::int16_t KDRGUI_About(KdrOwnerWindow owner, const char* title, const char* release);

typedef std::int16_t (*KdrGuiSelectFn)(KdrOwnerWindow, kdr::EffectSettings*, std::int32_t);
typedef std::int16_t (*KdrGuiAboutFn)(KdrOwnerWindow, const char*, const char*);

}  // extern "C"
