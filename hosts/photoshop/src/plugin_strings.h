#pragma once
// The filter's texts: string resources of its own resource table (type
// "STRING"; 16001 its name, 16990 to 16993 the messages), with "^0", "^1"
// and "^2" replaced by the texts given.
//
// No state; any thread may call these.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace kdr::photoshop {

inline constexpr std::int32_t string_name = 16001;
inline constexpr std::int32_t string_integer_range = 16990;
inline constexpr std::int32_t string_decimal_range = 16991;
inline constexpr std::int32_t string_needs_version = 16992;
inline constexpr std::int32_t string_incompatible = 16993;

// `text` with each "^n" (n = 0, 1, 2) replaced by the n-th argument (an
// empty text when there are fewer); other carets stay.
std::string substitute(std::string_view text, std::initializer_list<std::string_view> arguments);

// The string `id` of the resource table `table`, substituted; empty when
// the table has no such string.
std::string plugin_string(std::span<const std::uint8_t> table, std::int32_t id,
                          std::initializer_list<std::string_view> arguments = {});

}  // namespace kdr::photoshop
