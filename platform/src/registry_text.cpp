#include "registry_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

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

std::optional<std::uint32_t> read_number(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint32_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

std::optional<RegistryValue> read_data(std::string name, std::string_view type,
                                       std::string_view data) {
    if (type == "number") {
        std::optional<std::uint32_t> number = read_number(data);
        if (!number) {
            return std::nullopt;
        }
        return RegistryValue::make_number(std::move(name), *number);
    }
    if (type == "string") {
        std::size_t text_pos = 0;
        std::optional<std::string> text = read_quoted(data, text_pos);
        if (!text || text_pos != data.size()) {
            return std::nullopt;
        }
        return RegistryValue::make_string(std::move(name), std::move(*text));
    }
    if (type == "binary") {
        std::optional<std::vector<std::uint8_t>> bytes = read_hex(data);
        if (!bytes) {
            return std::nullopt;
        }
        return RegistryValue::make_binary(std::move(name), std::move(*bytes));
    }
    return std::nullopt;
}

// A trimmed line that starts with a quote: a value line, or a bad value
// line when only its name can be read, or nothing of use.
Line read_value_line(std::string_view line) {
    Line result;
    std::size_t pos = 0;
    std::optional<std::string> name = read_quoted(line, pos);
    if (!name) {
        return result;
    }
    result.kind = LineKind::bad_value;
    result.name = std::move(*name);
    std::string_view rest = trim(line.substr(pos));
    if (rest.empty() || rest.front() != '=') {
        return result;
    }
    rest = trim(rest.substr(1));
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) {
        return result;
    }
    std::optional<RegistryValue> value =
        read_data(result.name, trim(rest.substr(0, colon)), trim(rest.substr(colon + 1)));
    if (value) {
        result.kind = LineKind::value;
        result.value = std::move(*value);
    }
    return result;
}

Line read_line(std::string_view raw) {
    std::string_view line = trim(raw);
    Line result;
    if (!line.empty() && line.front() == '[' && line.back() == ']') {
        result.kind = LineKind::key;
        result.name = std::string(line.substr(1, line.size() - 2));
    } else if (!line.empty() && line.front() == '"') {
        result = read_value_line(line);
    }
    result.text = std::string(raw);
    return result;
}

constexpr const char* store_heading =
    "; Kaleidra registry. Change it with kdr-reg; one value a line.";

bool is_value(const Line& line) {
    return line.kind == LineKind::value || line.kind == LineKind::bad_value;
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

std::string format_value_line(const RegistryValue& value) {
    std::string out;
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
    return out;
}

Document Document::parse(std::string_view text) {
    Document document;
    bool in_key = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        Line line = read_line(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        in_key = in_key || line.kind == LineKind::key;
        if (!in_key && is_value(line)) {
            // A value before the first key belongs to no key.
            line.kind = LineKind::other;
        }
        document.m_lines.push_back(std::move(line));
    }
    return document;
}

std::string Document::format() const {
    std::string out;
    for (const Line& line : m_lines) {
        out += line.text;
        out += '\n';
    }
    return out;
}

std::optional<RegistryValue> Document::get(std::string_view key, std::string_view name,
                                           std::size_t* bad_line) const {
    const RegistryValue* found = nullptr;
    std::size_t bad = 0;
    bool in_key = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::key) {
            in_key = names_equal(line.name, key);
        } else if (in_key && is_value(line) && names_equal(line.name, name)) {
            if (line.kind == LineKind::value) {
                found = &line.value;
            } else {
                bad = i + 1;
            }
        }
    }
    if (bad_line != nullptr) {
        *bad_line = found == nullptr ? bad : 0;
    }
    if (found == nullptr) {
        return std::nullopt;
    }
    return *found;
}

std::vector<RegistryValue> Document::list(std::string_view key) const {
    std::vector<RegistryValue> values;
    bool in_key = false;
    for (const Line& line : m_lines) {
        if (line.kind == LineKind::key) {
            in_key = names_equal(line.name, key);
        } else if (in_key && line.kind == LineKind::value) {
            auto same = std::find_if(values.begin(), values.end(), [&](const RegistryValue& v) {
                return names_equal(v.name, line.name);
            });
            if (same == values.end()) {
                values.push_back(line.value);
            } else {
                *same = line.value;
            }
        }
    }
    return values;
}

std::vector<std::string> Document::keys() const {
    std::vector<std::string> names;
    const std::string* current = nullptr;
    for (const Line& line : m_lines) {
        if (line.kind == LineKind::key) {
            current = &line.name;
        } else if (current != nullptr && line.kind == LineKind::value &&
                   std::none_of(names.begin(), names.end(),
                                [&](const std::string& n) { return names_equal(n, *current); })) {
            names.push_back(*current);
        }
    }
    return names;
}

void Document::set(std::string_view key, const RegistryValue& value) {
    Line written;
    written.kind = LineKind::value;
    written.text = format_value_line(value);
    written.name = value.name;
    written.value = value;

    std::vector<std::size_t> matches;
    std::size_t insert_at = std::string::npos;
    bool in_key = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::key) {
            in_key = names_equal(line.name, key);
        }
        if (!in_key) {
            continue;
        }
        if (line.kind == LineKind::key || is_value(line)) {
            insert_at = i + 1;
        }
        if (is_value(line) && names_equal(line.name, value.name)) {
            matches.push_back(i);
        }
    }
    if (!matches.empty()) {
        const std::size_t last = matches.back();
        m_lines[last] = std::move(written);
        // Earlier readable lines of the value are shadowed by the last one:
        // drop them, last first so the positions stay right.
        for (auto it = matches.rbegin() + 1; it != matches.rend(); ++it) {
            if (m_lines[*it].kind == LineKind::value) {
                m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*it));
            }
        }
        return;
    }
    if (insert_at != std::string::npos) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
                       std::move(written));
        return;
    }
    if (m_lines.empty()) {
        m_lines.push_back(read_line(store_heading));
    }
    if (!trim(m_lines.back().text).empty()) {
        m_lines.push_back(Line{});
    }
    Line heading;
    heading.kind = LineKind::key;
    heading.text = "[" + std::string(key) + "]";
    heading.name = std::string(key);
    m_lines.push_back(std::move(heading));
    m_lines.push_back(std::move(written));
}

bool Document::remove(std::string_view key, std::string_view name) {
    bool in_key = false;
    bool removed = false;
    std::erase_if(m_lines, [&](const Line& line) {
        if (line.kind == LineKind::key) {
            in_key = names_equal(line.name, key);
            return false;
        }
        const bool match = in_key && line.kind == LineKind::value && names_equal(line.name, name);
        removed = removed || match;
        return match;
    });
    return removed;
}

}  // namespace kdr::platform::registry_text
