#pragma once
// The setup of a transition whose host keeps only a settings number: the
// numbered file's settings (or cleared settings when the number is 0 or
// its file cannot be read) go through the selection dialog, and only when
// the user confirms are they saved, under the same number or, for 0, a new
// one. A file that cannot be written is said in a message box ("File
// Error") and hands back no number, so the host keeps the number it had
// instead of one whose file does not exist.
//
// Called from the host's thread, which runs the dialog.

#include <cstdint>
#include <functional>
#include <optional>

#include "kaleidra/records/layout.h"

namespace kdr::settings_files {

// The selection dialog over `settings`, which it edits in place: 0 when
// the user confirmed (KDRGUI_Select with the host's owner window).
using ChooseSettings = std::function<int(EffectSettings& settings)>;

// The number the host is to keep from now on, or nothing when the dialog
// was cancelled or could not be shown, or the settings could not be saved.
std::optional<std::int32_t> run_numbered_setup(const ChooseSettings& choose, std::int32_t number,
                                               const char* extension);

}  // namespace kdr::settings_files
