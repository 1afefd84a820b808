#pragma once
// Numbered picture sequences: a file name such as "take0001.bmp" stands for
// the whole sequence take0000.bmp, take0001.bmp, ... and frame i of it is
// found by the numbered-name rule, with a fallback to earlier frames when a
// frame is missing.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kdr {

// Cuts the file name (the part after the last '/') at its first '.', counts
// the decimal digits just before the cut and replaces them by `index`
// printed with as many digits, zero-padded ("%s%0*d.%s"): take0001.bmp
// becomes take0017.bmp for 17. A name with no digits there comes back
// unchanged.
std::string numbered_file_name(std::string_view name, std::uint32_t index);

// True when `name` has digits to number (numbered_file_name changes it for
// some index).
bool is_numbered_file_name(std::string_view name);

// Tries the files of frame `index`, `index` - 1, ... down to 0, then `name`
// exactly as given (for index 0: frames 0, 1, 0, then the name), calling
// `try_load` with each path until one returns true. A name with no digits is
// tried once. Returns whether any attempt succeeded.
bool load_sequence_frame(std::string_view name, std::uint32_t index,
                         const std::function<bool(const std::string&)>& try_load);

}  // namespace kdr
