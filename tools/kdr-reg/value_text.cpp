#include "value_text.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace kdr::reg {

using platform::RegistryType;
using platform::RegistryValue;

std::optional<std::uint32_t> parse_number(const std::string& text) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > 0xffffffffull) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::vector<std::uint8_t>> parse_hex(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == ',' || c == ':') {
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        digits += c;
    }
    if (digits.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

Result<RegistryValue> make_value(RegistryType type, const std::string& name,
                                 const std::string& text) {
    switch (type) {
        case RegistryType::number:
            if (std::optional<std::uint32_t> number = parse_number(text)) {
                return RegistryValue::make_number(name, *number);
            }
            return Error{"\"" + text + "\" is not a 32-bit number (decimal or 0x hex)"};
        case RegistryType::binary:
            if (std::optional<std::vector<std::uint8_t>> bytes = parse_hex(text)) {
                return RegistryValue::make_binary(name, std::move(*bytes));
            }
            return Error{"\"" + text + "\" is not an even number of hex digits"};
        case RegistryType::string:
            break;
    }
    return RegistryValue::make_string(name, text);
}

std::string value_text(const RegistryValue& value) {
    switch (value.type) {
        case RegistryType::number:
            return std::to_string(value.number);
        case RegistryType::string:
            return value.text;
        case RegistryType::binary: {
            static const char digits[] = "0123456789abcdef";
            std::string text;
            for (std::uint8_t byte : value.bytes) {
                text += digits[byte >> 4];
                text += digits[byte & 15];
            }
            return text;
        }
    }
    return {};
}

}  // namespace kdr::reg
