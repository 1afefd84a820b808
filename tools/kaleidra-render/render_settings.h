#pragma once
// The settings record a command-line render starts from: the defaults the
// dialog saved (or built-in ones), a stored settings file, then the effect,
// fly direction and --set values of the command line, in that order.

#include <filesystem>

#include "command_line.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::render_tool {

// Best render and image quality, lighting on, shadows 50, light from 45
// degrees; everything else 0.
void apply_builtin_defaults(EffectSettings& settings);

// Reads a stored settings file: the chunked file form "KDRR" that the dialog
// saves, or a host's memory block of that form kept in a file.
Status read_settings_file(EffectSettings& settings, const std::filesystem::path& file);

// Fills an initialised record from the options.
Status build_settings(EffectSettings& settings, const RenderOptions& options);

// Fails, saying where it looked, when the effect file cannot be loaded.
Status check_effect(const char* name);

}  // namespace kdr::render_tool
