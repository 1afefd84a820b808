#pragma once
// What a run of the update tells its front end: the dialog's two texts, the
// pauses after each file and registry command, details that the dialog leaves
// out, and the message boxes. The dialog front end shows the texts and
// sleeps; the unattended one prints phases, actions, details and boxes and
// does not pause. A run calls these from one thread, in order; the
// implementation decides which thread shows anything.

#include <chrono>
#include <string>

#include "kaleidra/platform/message_box.h"

namespace kdr::updater {

inline constexpr const char* installer_title = "Talvane Mini Installer";

enum class UpperText {
    phase,        // "Updating Files"
    search_root,  // "Searching " and a folder the search starts from
    folder,       // "Searching " and each folder below it
};

class Progress {
  public:
    virtual ~Progress() = default;

    // The upper text (dialog control 1000).
    virtual void upper(const std::string& text, UpperText kind) = 0;
    // The lower text (control 1001): the action under way, or empty.
    virtual void lower(const std::string& text) = 0;
    // A fact the dialog does not show: what a registry command wrote, why a
    // command failed or was skipped.
    virtual void detail(const std::string& text) = 0;
    virtual void pause(std::chrono::milliseconds duration) = 0;
    // A message box titled "Talvane Mini Installer".
    virtual platform::MessageAnswer box(const std::string& text, platform::MessageKind kind) = 0;
};

}  // namespace kdr::updater
