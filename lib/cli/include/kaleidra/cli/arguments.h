#pragma once
// Numbers and sizes as tools read them from their command lines. Each parser
// takes the whole text or nothing: no signs, spaces, or trailing characters,
// so "12x" or " 5" are refused rather than half read. No state; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kaleidra/platform/result.h"

namespace kdr::cli {

// Decimal digits only, at most 4294967295.
std::optional<std::uint32_t> parse_count(std::string_view text);

// A finite decimal number ("2.5", "-1", "1e3").
std::optional<double> parse_real(std::string_view text);

struct Size {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// "WIDTHxHEIGHT" (the cross may be "x" or "X"), each side between the
// smallest and the largest size's. The error names `option` and the range:
// "--size takes WIDTHxHEIGHT from 1x1 to 8192x8192, not \"12\"".
[[nodiscard]] Result<Size> parse_size(std::string_view text, std::string_view option, Size smallest,
                                      Size largest);

}  // namespace kdr::cli
