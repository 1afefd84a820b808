#pragma once
// The text form of the registry store (private to the platform library).
//
//   ; comment
//   [Software\Talvane\Kaleidra\3.0]
//   "Path"=string:"/opt/kaleidra"
//   "Rnd_Multi"=number:1
//   "Options"=binary:0a1b2c
//
// Names and strings are quoted with C-like escapes (\\ \" \n \r \t \xHH), so
// any byte survives a round trip. Lines that do not parse are dropped.

#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/registry.h"

namespace kdr::platform::registry_text {

struct Key {
    std::string name;
    std::vector<RegistryValue> values;
};

std::vector<Key> parse(std::string_view text);
std::string format(const std::vector<Key>& keys);

bool names_equal(std::string_view a, std::string_view b);

}  // namespace kdr::platform::registry_text
