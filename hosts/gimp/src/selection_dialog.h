#pragma once
// The selection dialog of an interactive run: the settings go into a
// temporary file, kaleidra-select --filter opens the dialog over it (a
// program of its own, so that the dialog's toolkit never shares the
// plug-in's process with GIMP's), and the file is read back after OK.
//
// The program is the installation's bin/kaleidra-select, or the one on the
// search path when the installation folder is unknown. Called from the
// plug-in's one thread.

#include <filesystem>
#include <string>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::gimp {

enum class DialogAnswer { ok, cancelled, failed };

struct DialogResult {
    DialogAnswer answer = DialogAnswer::failed;
    std::string message;  // why it failed
};

// The program the dialog runs in.
std::filesystem::path select_program();

// Opens the dialog over `settings` (edited in place after OK) with
// `program`.
DialogResult run_selection_dialog(EffectSettings& settings, const std::filesystem::path& program);

}  // namespace kdr::gimp
