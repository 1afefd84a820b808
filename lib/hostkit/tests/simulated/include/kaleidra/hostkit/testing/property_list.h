#pragma once
// The plug-in property lists ("PiPL") of the Adobe hosts' plug-ins, read
// back as the hosts read them, for the tests: u32 version, u32 count, then
// each property: vendor (4 characters), key (4), u32 id, u32 length, the
// data padded to a multiple of 4. A list that does not hold what its
// counts and lengths say reads as an error.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::hostkit::test {

struct Property {
    std::string vendor;
    std::string key;
    std::vector<std::uint8_t> data;

    std::uint32_t number() const;     // a 32-bit little-endian value
    std::string pascal_text() const;  // a length-prefixed text
};

Result<std::vector<Property>> read_property_list(std::span<const std::uint8_t> bytes);

}  // namespace kdr::hostkit::test
