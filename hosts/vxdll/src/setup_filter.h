#pragma once
// U_Kdr30's setup through the host's own effect dialog. The host shows its
// dialog for the transition and keeps the settings number in it; the
// transition watches that dialog from inside the host's Qt application
// with an application-wide event filter:
//
//   - a click on the control named "301" in a window whose title contains
//     "* KDR 3.0 *" reads the number from the controls "121" (hundreds)
//     and "122" (units) as decimal text, runs the setup (the selection
//     dialog, owned by the host's dialog) and, when it was confirmed and
//     saved, writes number / 100 into control "203" and number % 100 into
//     control "204";
//   - controls are found by their objectName among the dialog's children;
//     "121" and "122" may be line edits, spin boxes, labels or combo boxes,
//     "203" and "204" spin boxes, line edits or labels (hosts/README.md says
//     what a host provides).
//
// The filter is installed on the application's thread at the first call
// of any export (when the library is attached there may be no application
// yet) and removed when the library is detached.

#include <cstdint>
#include <functional>
#include <optional>

#include "kaleidra/kdrgui.h"

namespace kdr::vxdll {

inline constexpr const char* setup_dialog_title = "* KDR 3.0 *";

// The setup to run: the owner window and the number the dialog shows in;
// the number to show from now on, or nothing to leave the dialog as it is.
using DialogSetup = std::function<std::optional<std::int32_t>(KdrOwnerWindow, std::int32_t)>;

// Installs the filter when it is not installed and there is a Qt
// application (from another thread: queued to the application's thread).
void ensure_setup_filter(DialogSetup setup);
// Removes and deletes the filter, and drops an installation still queued.
// Call on the application's thread, or when the application is gone.
void remove_setup_filter();
// True once the filter is installed on the application.
bool setup_filter_installed();

}  // namespace kdr::vxdll
