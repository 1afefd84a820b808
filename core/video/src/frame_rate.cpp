#include "kaleidra/video/frame_rate.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>

namespace kdr::video {
namespace {

using Wide = unsigned __int128;

std::optional<double> parse_decimal(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> parse_whole(std::string_view text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

FrameRate reduced(std::int64_t num, std::int64_t den) {
    const std::int64_t common = std::gcd(num, den);
    return {static_cast<std::int32_t>(num / common), static_cast<std::int32_t>(den / common)};
}

// Source frame duration over output frame duration, as p / q.
void ratio(FrameRate source, FrameRate output, Wide& p, Wide& q) {
    p = Wide(static_cast<std::uint32_t>(source.den)) * static_cast<std::uint32_t>(output.num);
    q = Wide(static_cast<std::uint32_t>(source.num)) * static_cast<std::uint32_t>(output.den);
}

}  // namespace

std::string FrameRate::text() const {
    return den == 1 ? std::to_string(num) : std::to_string(num) + "/" + std::to_string(den);
}

std::optional<FrameRate> frame_rate_from(double value) {
    if (!std::isfinite(value) || value <= 0 || value > max_frame_rate) {
        return std::nullopt;
    }
    if (value == std::floor(value)) {
        return FrameRate{static_cast<std::int32_t>(value), 1};
    }
    const double broadcast = std::round(value * 1.001);
    if (broadcast >= 1 && std::abs(value - broadcast * 1000 / 1001) < 0.01) {
        return reduced(static_cast<std::int64_t>(broadcast) * 1000, 1001);
    }
    // The smallest denominator that states the value, else the closest.
    std::int64_t best_num = 0;
    std::int64_t best_den = 1;
    double best_error = std::numeric_limits<double>::infinity();
    for (std::int64_t den = 1; den <= 1001; ++den) {
        const double num = std::round(value * double(den));
        const double error = std::abs(num / double(den) - value);
        if (num >= 1 && error < best_error - 1e-12) {
            best_error = error;
            best_num = static_cast<std::int64_t>(num);
            best_den = den;
        }
        if (best_error < 1e-9) {
            break;
        }
    }
    if (best_num == 0) {
        return std::nullopt;
    }
    return reduced(best_num, best_den);
}

std::optional<FrameRate> parse_frame_rate(std::string_view text) {
    if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
        const std::optional<std::int32_t> num = parse_whole(text.substr(0, slash));
        const std::optional<std::int32_t> den = parse_whole(text.substr(slash + 1));
        if (!num || !den || *num <= 0 || *den <= 0 ||
            double(*num) / double(*den) > max_frame_rate) {
            return std::nullopt;
        }
        return reduced(*num, *den);
    }
    const std::optional<double> value = parse_decimal(text);
    return value ? frame_rate_from(*value) : std::nullopt;
}

std::uint64_t source_frame_at(std::uint64_t index, FrameRate source, FrameRate output) {
    if (!source.valid() || !output.valid()) {
        return index;
    }
    // Source frame i lands on output frame round(i p / q); the last i with
    // i p / q < index + 1/2 is floor(((2 index + 1) q - 1) / (2 p)).
    Wide p;
    Wide q;
    ratio(source, output, p, q);
    const Wide last = ((Wide(2) * index + 1) * q - 1) / (Wide(2) * p);
    return last > std::numeric_limits<std::uint64_t>::max()
               ? std::numeric_limits<std::uint64_t>::max()
               : static_cast<std::uint64_t>(last);
}

std::uint64_t output_frames_for(std::uint64_t count, FrameRate source, FrameRate output) {
    if (!source.valid() || !output.valid()) {
        return count;
    }
    Wide p;
    Wide q;
    ratio(source, output, p, q);
    const Wide frames = (Wide(2) * count * p + q) / (Wide(2) * q);
    return frames > std::numeric_limits<std::uint64_t>::max()
               ? std::numeric_limits<std::uint64_t>::max()
               : static_cast<std::uint64_t>(frames);
}

}  // namespace kdr::video
