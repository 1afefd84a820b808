#pragma once
// The message boxes of plug-ins that run inside a host's process. Each
// plug-in carries its own copy of the platform layer, so a message-box
// handler that the host program installs never reaches it; a plug-in calls
// install_plugin_message_boxes() when it is attached, and its messages
// (platform::show_message_box) then go:
//
//   - with $KALEIDRA_MESSAGE_LOG naming a file: appended to that file, one
//     line each, "KIND<TAB>TITLE<TAB>TEXT" (KIND information, warning,
//     error or question; a line feed inside the text written as "\n"), and
//     answered with the box's default button (OK, or No for a question).
//     Simulated hosts and tests read the file: nobody waits for a click.
//   - otherwise: to standard error, "TITLE: TEXT", answered the same way.
//
// A handler already installed in the plug-in's copy is kept. Thread-safe.

#include <string>

#include "kaleidra/platform/message_box.h"

namespace kdr::hostkit {

inline constexpr const char* message_log_variable = "KALEIDRA_MESSAGE_LOG";

void install_plugin_message_boxes();

// The line a message gets in the log, without its line end.
std::string message_log_line(const std::string& title, const std::string& text,
                             platform::MessageKind kind);

}  // namespace kdr::hostkit
