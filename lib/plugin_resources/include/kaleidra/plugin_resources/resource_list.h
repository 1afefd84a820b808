#pragma once
// The text from which the build makes a plug-in's resource table: one
// resource a line, '#' to the end of a line a comment.
//
//   TYPE ID bytes ITEM...    ITEM: a byte in two hexadecimal digits, or a
//                            text in double quotes (\" and \\ inside),
//                            whose characters are the bytes (no NUL)
//   TYPE ID file NAME        the bytes of the file NAME, found in the
//                            folder given to the parser
//
// ID is a decimal number (a resource known by number) or a text in double
// quotes (one known by name). Example:
//
//   TEXT 1000 bytes 00 00 "* Kaleidra (3.0) *"
//   FXDF "-1" bytes 00 00 "TAKE" 00
//   BITMAP 101 file icon-32.bmp

#include <filesystem>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/plugin_resources/resource_table.h"

namespace kdr::plugin_resources {

// Fails with "line N: what is wrong" at the first line that cannot be read,
// or when a type appears twice with one id.
Result<std::vector<PluginResource>> parse_resource_list(std::string_view text,
                                                        const std::filesystem::path& file_folder);

}  // namespace kdr::plugin_resources
