#pragma once
// Values of the registry as kdr-reg reads them from its command line and
// prints them: numbers in decimal or 0x hexadecimal, binary values as hex
// digits (spaces, commas and colons between them are ignored), strings as
// they are.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/registry.h"

namespace kdr::reg {

std::optional<std::uint32_t> parse_number(const std::string& text);
std::optional<std::vector<std::uint8_t>> parse_hex(const std::string& text);

// The value `name` of `type` written as `text`, or an error saying why the
// text is no such value.
Result<platform::RegistryValue> make_value(platform::RegistryType type, const std::string& name,
                                           const std::string& text);

std::string value_text(const platform::RegistryValue& value);

}  // namespace kdr::reg
