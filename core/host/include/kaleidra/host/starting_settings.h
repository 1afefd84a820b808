#pragma once
// The settings record a render starts from when no host keeps one for it:
// a stored settings file (the chunked form "KDRR" that the dialog saves, or
// a host's memory block of that form kept in a file), else the options the
// dialog saved as defaults, else built-in defaults. Shared by the
// command-line renderer and the plug-ins for hosts that keep only a file
// name or a few plain values.
//
// Reads the registry (the installation folder) and the files; no state of
// its own, so any thread may call it.

#include <filesystem>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::host {

// Best render and image quality, lighting on, shadows 50, light from 45
// degrees; everything else 0.
void apply_builtin_defaults(EffectSettings& settings);

// Reads a stored settings file into an initialised record.
Status read_settings_file(EffectSettings& settings, const std::filesystem::path& file);

// Fills an initialised record from `settings_file` when it is not empty;
// otherwise from the saved defaults with the effect name cleared (defaults
// hold options, not a choice of effect), or the built-in defaults when
// there are none.
Status load_starting_settings(EffectSettings& settings, const std::filesystem::path& settings_file);

// Fails, saying where it looked, when the effect file cannot be loaded.
Status check_effect(const char* name);

}  // namespace kdr::host
