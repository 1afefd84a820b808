#pragma once
// What the editor asks of the desktop: real message boxes for the
// system's message hook, the movie player, and the help viewer. GUI thread
// only.

#include <QString>

#include <filesystem>

#include "kaleidra/platform/message_box.h"

class QWidget;

namespace kdr::editor::window {

// A modal box over the active window; a question offers Yes, No and
// Cancel (Escape answers Cancel).
platform::MessageAnswer show_qt_message_box(const std::string& title, const std::string& text,
                                            platform::MessageKind kind);

// The program that plays movies: $KALEIDRA_PLAYER when set, else the
// desktop's opener "xdg-open".
QString player_program();

// Starts the player on `movie` and returns at once: the path is the
// player's only argument, never passed through a shell. False when the
// program could not be started.
bool start_player(const std::filesystem::path& movie);

// "HELP/REELBENCH.html" in the installation folder (empty when unknown).
std::filesystem::path help_file();

// Opens the help viewer of `owner` at help context `context` (0: the
// contents).
void open_help(QWidget* owner, int context);

}  // namespace kdr::editor::window
