#include "kaleidra/gui/number_text.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>

namespace kdr::gui {

std::string format_g(double value) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, result.ptr);
}

double leading_decimal(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // from_chars takes no sign of its own beyond '-', and no "inf" or "nan"
    // is a number a user means here.
    if (at >= text.size() ||
        !(std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.')) {
        return 0;
    }
    double value = 0;
    const auto result = std::from_chars(text.data() + at, text.data() + text.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = HUGE_VAL;
    } else if (result.ec != std::errc()) {
        return 0;
    }
    return negative ? -value : value;
}

int leading_digits(std::string_view text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            return INT_MAX;
        }
    }
    return static_cast<int>(value);
}

int round_half_up(double value) {
    const double rounded = std::floor(value + 0.5);
    if (!(rounded >= INT_MIN)) {
        return INT_MIN;
    }
    if (rounded > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(rounded);
}

}  // namespace kdr::gui
