#pragma once
// Dialog 124: the small window that shows the catalogue rebuild's progress
// at the library's first use. It opens without an owner, waits half a
// second so that it is drawn, runs the rebuild with its bar following the
// items, and closes itself.

#include "kaleidra/gui/catalogue_refresh.h"

namespace kdr::gui {

void run_with_progress_window(const RebuildWork& work);

}  // namespace kdr::gui
