#pragma once
// The installation folder a program or library lies in, found from its own
// file: the folder of the executable or shared library that contains this
// code, or the folder one or two levels above it, whichever holds both
// "LIBS" and "EFFECTS" (in any case). Programs lie in <folder>/bin, engines
// in <folder>/LIBS, the frei0r transition in <folder>/lib/frei0r-1.
//
// Used when the registry names no installation folder, so that a user whose
// stores lack "Path" still finds the package the program came from. May be
// called from any thread.

#include <filesystem>
#include <optional>

namespace kdr::install {

// The installation folder around the file that holds this code, or nothing
// when that file does not lie in one (a build tree, a test).
std::optional<std::filesystem::path> own_installation_folder();

// The installation folder around `file`, by the rule above.
std::optional<std::filesystem::path> installation_folder_around(const std::filesystem::path& file);

}  // namespace kdr::install
