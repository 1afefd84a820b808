#include "registry_text.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <unordered_map>

namespace kdr::platform::registry_text {
namespace {

constexpr char hex_digits[] = "0123456789abcdef";

void append_quoted(std::string& out, std::string_view text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\x";
                    out += hex_digits[c >> 4];
                    out += hex_digits[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted string at `pos`; on success `pos` is just past the closing quote.
std::optional<std::string> read_quoted(std::string_view line, std::size_t& pos) {
    if (pos >= line.size() || line[pos] != '"') {
        return std::nullopt;
    }
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) {
            return std::nullopt;
        }
        switch (line[pos]) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                if (pos + 2 >= line.size())
                    return std::nullopt;
                int high = hex_value(line[pos + 1]);
                int low = hex_value(line[pos + 2]);
                if (high < 0 || low < 0)
                    return std::nullopt;
                out += static_cast<char>(high * 16 + low);
                pos += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> read_hex(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = hex_value(text[i]);
        int low = hex_value(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<RegistryValue> parse_value_line(std::string_view line) {
    std::size_t pos = 0;
    std::optional<std::string> name = read_quoted(line, pos);
    if (!name || pos >= line.size() || line[pos] != '=') {
        return std::nullopt;
    }
    std::string_view rest = line.substr(pos + 1);
    std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view type = rest.substr(0, colon);
    std::string_view data = rest.substr(colon + 1);
    if (type == "number") {
        std::uint32_t number = 0;
        auto [end, error] = std::from_chars(data.data(), data.data() + data.size(), number);
        if (error != std::errc{} || end != data.data() + data.size()) {
            return std::nullopt;
        }
        return RegistryValue::make_number(std::move(*name), number);
    }
    if (type == "string") {
        std::size_t text_pos = 0;
        std::optional<std::string> text = read_quoted(data, text_pos);
        if (!text || text_pos != data.size()) {
            return std::nullopt;
        }
        return RegistryValue::make_string(std::move(*name), std::move(*text));
    }
    if (type == "binary") {
        std::optional<std::vector<std::uint8_t>> bytes = read_hex(data);
        if (!bytes) {
            return std::nullopt;
        }
        return RegistryValue::make_binary(std::move(*name), std::move(*bytes));
    }
    return std::nullopt;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

bool names_equal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::vector<Key> parse(std::string_view text) {
    std::vector<Key> keys;
    // Where each value sits, by lower-case key and value name, so a later line
    // replaces an earlier one without a search.
    std::unordered_map<std::string, std::size_t> key_index;
    std::vector<std::unordered_map<std::string, std::size_t>> value_index;
    std::size_t current = 0;
    bool in_key = false;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            std::string_view name = line.substr(1, line.size() - 2);
            auto [found, added] = key_index.try_emplace(lower(name), keys.size());
            if (added) {
                keys.push_back(Key{std::string(name), {}});
                value_index.emplace_back();
            }
            current = found->second;
            in_key = true;
            continue;
        }
        if (!in_key) {
            continue;
        }
        std::optional<RegistryValue> value = parse_value_line(line);
        if (!value) {
            continue;
        }
        std::vector<RegistryValue>& values = keys[current].values;
        auto [found, added] = value_index[current].try_emplace(lower(value->name), values.size());
        if (added) {
            values.push_back(std::move(*value));
        } else {
            values[found->second] = std::move(*value);
        }
    }
    return keys;
}

std::string format(const std::vector<Key>& keys) {
    std::string out = "; Kaleidra registry. Change it with kdr-reg; one value a line.\n";
    for (const Key& key : keys) {
        if (key.values.empty()) {
            continue;
        }
        out += "\n[";
        out += key.name;
        out += "]\n";
        for (const RegistryValue& value : key.values) {
            append_quoted(out, value.name);
            out += '=';
            out += registry_type_name(value.type);
            out += ':';
            switch (value.type) {
                case RegistryType::number:
                    out += std::to_string(value.number);
                    break;
                case RegistryType::string:
                    append_quoted(out, value.text);
                    break;
                case RegistryType::binary:
                    for (std::uint8_t byte : value.bytes) {
                        out += hex_digits[byte >> 4];
                        out += hex_digits[byte & 15];
                    }
                    break;
            }
            out += '\n';
        }
    }
    return out;
}

}  // namespace kdr::platform::registry_text
