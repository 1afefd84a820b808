// Reads arbitrary bytes as a registry store. Every line comes back as it was
// when the store is written again, and a value set in it reads back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "registry_text.h"

namespace text = kdr::platform::registry_text;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    text::Document document = text::Document::parse(input);
    std::string expected(input);
    if (!expected.empty() && expected.back() != '\n') {
        expected += '\n';
    }
    if (document.format() != expected) {
        std::abort();
    }
    for (const std::string& key : document.keys()) {
        static_cast<void>(document.list(key));
    }

    // A key and value name taken from the input itself.
    const std::string key(input.substr(0, std::min<std::size_t>(size, 8)));
    const std::string name(input.substr(size / 2, 6));
    // Key names as the registry accepts them.
    const bool valid_key = !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7f && c != '[' && c != ']';
    });
    if (!valid_key) {
        return 0;
    }
    const auto value =
        kdr::platform::RegistryValue::make_number(name, static_cast<std::uint32_t>(size));
    document.set(key, value);
    text::Document again = text::Document::parse(document.format());
    std::optional<kdr::platform::RegistryValue> read = again.get(key, name);
    if (!read || read->type != kdr::platform::RegistryType::number ||
        read->number != static_cast<std::uint32_t>(size)) {
        std::abort();
    }
    return 0;
}
