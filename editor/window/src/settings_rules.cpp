#include "kaleidra/editor/window/settings_rules.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace kdr::editor::window {
namespace {

// The box read as an unsigned number: digits only (spaces around them
// allowed), at most ten of them.
std::optional<std::uint64_t> unsigned_number(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos) {
        return std::nullopt;
    }
    const std::string digits = text.substr(begin, end - begin + 1);
    if (digits.size() > 10 || !std::all_of(digits.begin(), digits.end(),
                                           [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return std::nullopt;
    }
    return std::stoull(digits);
}

std::optional<std::int32_t> within(std::optional<std::uint64_t> value, std::int32_t low,
                                   std::int32_t high) {
    if (!value || *value < static_cast<std::uint64_t>(low) ||
        *value > static_cast<std::uint64_t>(high)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*value);
}

std::optional<std::int32_t> clamped_size(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(
        std::clamp(value, static_cast<double>(smallest_size), static_cast<double>(largest_size)));
}

}  // namespace

std::optional<std::int32_t> accepted_size(const std::string& text) {
    return within(unsigned_number(text), smallest_size, largest_size);
}

std::optional<std::int32_t> accepted_rate(const std::string& text) {
    return within(unsigned_number(text), smallest_rate, largest_rate);
}

double size_ratio(std::int32_t width, std::int32_t height) {
    return height == 0 ? 0.0 : static_cast<double>(width) / height;
}

std::optional<std::int32_t> height_for_width(std::int32_t width, double ratio) {
    if (ratio == 0) {
        return std::nullopt;
    }
    // 1e-9 keeps an exact quotient (100 / (4/3) = 75) from rounding up
    // through the ratio's last binary digit.
    return clamped_size(std::ceil(width / ratio - 1e-9));
}

std::optional<std::int32_t> width_for_height(std::int32_t height, double ratio) {
    if (ratio == 0) {
        return std::nullopt;
    }
    return clamped_size(std::floor(height * ratio + 1e-9));
}

}  // namespace kdr::editor::window
