#include "kaleidra/cli/arguments.h"

#include <charconv>
#include <cmath>

namespace kdr::cli {

std::optional<std::uint32_t> parse_count(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parse_real(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

Result<Size> parse_size(std::string_view text, std::string_view option, Size smallest,
                        Size largest) {
    const auto sides = [](Size size) {
        return std::to_string(size.width) + "x" + std::to_string(size.height);
    };
    const Error refused{std::string(option) + " takes WIDTHxHEIGHT from " + sides(smallest) +
                        " to " + sides(largest) + ", not \"" + std::string(text) + "\""};
    const std::size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) {
        return refused;
    }
    std::optional<std::uint32_t> width = parse_count(text.substr(0, cross));
    std::optional<std::uint32_t> height = parse_count(text.substr(cross + 1));
    if (!width || !height || *width < smallest.width || *height < smallest.height ||
        *width > largest.width || *height > largest.height) {
        return refused;
    }
    return Size{*width, *height};
}

}  // namespace kdr::cli
