#pragma once
// A render must never write over what it reads. The output (or, for
// numbered pictures, any picture of its pattern that exists) is compared
// with every source file, every picture of a source sequence and the
// settings file, as files rather than as names: the same device and inode
// is the same file, whatever path, link or "../" reaches it.

#include "command_line.h"
#include "kaleidra/platform/result.h"

namespace kdr::render_tool {

// Fails, naming both, when the output would overwrite a source.
Status check_output_is_not_a_source(const RenderOptions& options);

}  // namespace kdr::render_tool
