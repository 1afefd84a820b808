#include "kaleidra/install/registry_values.h"

#include <charconv>
#include <cstring>
#include <mutex>
#include <system_error>

#include "kaleidra/platform/registry.h"

namespace kdr::install {
namespace {

constexpr std::size_t key_buffer_size = 256;

std::mutex key_mutex;
std::string& stored_key() {
    static std::string key = package_registry_key;
    return key;
}

std::optional<platform::RegistryValue> read_value(const char* value_name) {
    if (value_name == nullptr) {
        return std::nullopt;
    }
    return platform::Registry::open_default().get(registry_key(), value_name);
}

std::uint32_t number_of_text(const std::string& text) {
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return 0;
    }
    return number;
}

}  // namespace

void set_registry_key(const char* key_name) {
    std::lock_guard lock(key_mutex);
    std::string key = key_name != nullptr ? key_name : "";
    if (key.size() >= key_buffer_size) {
        key.resize(key_buffer_size - 1);
    }
    stored_key() = key;
}

std::string registry_key() {
    std::lock_guard lock(key_mutex);
    return stored_key();
}

std::uint32_t read_number(const char* value_name) {
    std::optional<platform::RegistryValue> value = read_value(value_name);
    if (!value) {
        return 0;
    }
    switch (value->type) {
        case platform::RegistryType::number:
            return value->number;
        case platform::RegistryType::binary: {
            if (value->bytes.size() > 4) {
                return 0;
            }
            std::uint32_t number = 0;
            for (std::size_t i = 0; i < value->bytes.size(); ++i) {
                number |= static_cast<std::uint32_t>(value->bytes[i]) << (8 * i);
            }
            return number;
        }
        case platform::RegistryType::string:
            // "kdr-reg set" of a new value and hand edits store numbers as
            // text: a string of decimal digits reads as its number.
            return number_of_text(value->text);
    }
    return 0;
}

bool read_string(char* buffer, std::size_t size, const char* value_name) {
    if (buffer == nullptr || size == 0) {
        return false;
    }
    std::optional<std::string> text = read_string(value_name);
    if (!text || text->size() + 1 > size) {
        return false;
    }
    std::memcpy(buffer, text->c_str(), text->size() + 1);
    return true;
}

std::optional<std::string> read_string(const char* value_name) {
    std::optional<platform::RegistryValue> value = read_value(value_name);
    if (!value || value->type != platform::RegistryType::string) {
        return std::nullopt;
    }
    // A stored terminator ends the string, as it would in a C buffer.
    std::string text = value->text;
    if (std::size_t nul = text.find('\0'); nul != std::string::npos) {
        text.resize(nul);
    }
    return text;
}

}  // namespace kdr::install
