#pragma once
// The updater's message boxes in Qt, installed as the platform's
// message-box handler by the program: a modal box with the kind's icon, the
// text (scrolled when long) and an OK button ("1"), plus a Cancel button
// ("2") for a question, the updater's only box with a choice. OK is the
// default button; Escape answers Cancel, or OK when there is no Cancel.
// Texts that are not UTF-8 are shown as Latin-1. Called from another thread,
// the box is shown on the application's thread while the caller waits.

#include <string>

#include "kaleidra/platform/message_box.h"

namespace kdr::updater::gui {

platform::MessageAnswer show_qt_message_box(const std::string& title, const std::string& text,
                                            platform::MessageKind kind);

}  // namespace kdr::updater::gui
