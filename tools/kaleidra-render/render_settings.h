#pragma once
// The settings record a command-line render starts from: a stored settings
// file, the defaults the dialog saved or built-in ones (the host core's
// starting settings), then the effect, fly direction and --set values of the
// command line, in that order.

#include "command_line.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::render_tool {

// Fills an initialised record from the options.
Status build_settings(EffectSettings& settings, const RenderOptions& options);

}  // namespace kdr::render_tool
