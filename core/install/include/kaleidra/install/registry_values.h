#pragma once
// The shared registry key of the package and the values the host core reads
// from it. Every library that contains the host core records the key name
// once when it starts (set_registry_key); every read then opens the store
// afresh, so a value changed by the options pages or by kdr-reg is seen at
// the next read. May be called from any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kdr::install {

inline constexpr const char* package_registry_key = "Software\\Talvane\\Kaleidra\\3.0";

// Stores the key name for all later reads (at most 255 characters; longer
// names are cut).
void set_registry_key(const char* key_name);
std::string registry_key();

// The 32-bit value, or 0 when the key or value is absent or unreadable. The
// stored type is not checked: a binary value of at most four bytes reads as
// its little-endian number, a string of decimal digits as that number.
std::uint32_t read_number(const char* value_name);

// Copies the string value with its terminator into `buffer` of `size` bytes.
// Fails, leaving the buffer unchanged, when the value is absent, is not a
// string, or does not fit.
[[nodiscard]] bool read_string(char* buffer, std::size_t size, const char* value_name);
std::optional<std::string> read_string(const char* value_name);

}  // namespace kdr::install
