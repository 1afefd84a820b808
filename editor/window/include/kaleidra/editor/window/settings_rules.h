#pragma once
// The number rules of the Settings dialog, apart from its widgets: which
// sizes and rates a box accepts and how a kept width/height ratio turns a
// new width into a height (rounded up) and a new height into a width
// (rounded down). No Qt.

#include <cstdint>
#include <optional>
#include <string>

namespace kdr::editor::window {

inline constexpr std::int32_t smallest_size = 1;
inline constexpr std::int32_t largest_size = 4096;
inline constexpr std::int32_t smallest_rate = 1;
inline constexpr std::int32_t largest_rate = 999;

// A width or height typed into a box: 1 .. 4096, else nothing (the box
// then shows the stored value again).
std::optional<std::int32_t> accepted_size(const std::string& text);

// A rate typed into the rate box: 1 .. 999. The renderer refuses a rate of
// 0 and time codes divide by it, so 0 is refused here too.
std::optional<std::int32_t> accepted_rate(const std::string& text);

// width / height, 0 when the height is 0.
double size_ratio(std::int32_t width, std::int32_t height);

// ceil(width / ratio) and floor(height x ratio), kept within 1 .. 4096;
// nothing when the ratio is 0.
std::optional<std::int32_t> height_for_width(std::int32_t width, double ratio);
std::optional<std::int32_t> width_for_height(std::int32_t height, double ratio);

}  // namespace kdr::editor::window
