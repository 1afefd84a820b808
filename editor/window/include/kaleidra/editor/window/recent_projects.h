#pragma once
// The File menu's list of recent projects: four slots filled in turn (the
// next-slot index wraps from 3 to 0), shown in slot order as "&N name" with
// the file name part of each path. No Qt; the window rebuilds its menu from
// these texts.

#include <string>

#include "kaleidra/editor/preferences.h"

namespace kdr::editor::window {

// Puts `path` into the next slot and advances the index; false (nothing
// changed) when a slot already holds exactly that path or it is empty.
bool add_recent_project(RecentValues& recent, const std::string& path);

// The text after the last '/', ':' or '\'.
std::string file_name_part(const std::string& path);

// "&%d %s" for slot `slot` (0 .. 3): the number from 1 and the name part.
std::string recent_menu_text(int slot, const std::string& path);

}  // namespace kdr::editor::window
