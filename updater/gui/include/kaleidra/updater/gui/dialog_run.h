#pragma once
// The updater with its dialog: update.txt in an OK/Cancel box, the script
// read, the progress dialog shown, and 500 ms later the commands and the
// drive search run on a worker thread while the dialog follows the texts;
// boxes are shown on the application's thread through the platform's
// message-box hook. Then "Update is complete.". Needs a QApplication; call it
// from the application's thread. Returns the session's exit code.

#include "kaleidra/updater/session.h"

namespace kdr::updater::gui {

int run_with_dialog(SessionSettings settings);

}  // namespace kdr::updater::gui
