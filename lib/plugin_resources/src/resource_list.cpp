#include "kaleidra/plugin_resources/resource_list.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <optional>
#include <string>

namespace kdr::plugin_resources {
namespace {

// Files a resource list names are icons and the like: small.
constexpr std::uintmax_t max_file_size = 16u * 1024 * 1024;

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into words and quoted texts; fails on an unclosed quote or
// an unknown escape.
Result<std::vector<Token>> tokens_of(std::string_view line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '#') {
            break;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        Token token;
        if (c == '"') {
            token.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\') {
                    if (i >= line.size() || (line[i] != '"' && line[i] != '\\')) {
                        return Error{"only \\\" and \\\\ may follow a backslash"};
                    }
                    token.text += line[i++];
                } else {
                    token.text += d;
                }
            }
            if (!closed) {
                return Error{"a text in quotes is not closed"};
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '#') {
                token.text += line[i++];
            }
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::optional<std::uint8_t> hex_byte(const std::string& text) {
    if (text.size() != 2) {
        return std::nullopt;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + 2, value, 16);
    if (error != std::errc() || end != text.data() + 2) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

Result<std::vector<std::uint8_t>> read_file(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) {
        return Error{"cannot read " + file.string() + ": " + error.message()};
    }
    if (size > max_file_size) {
        return Error{file.string() + " is larger than 16 MiB"};
    }
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in || (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()),
                                     static_cast<std::streamsize>(size)))) {
        return Error{"cannot read " + file.string()};
    }
    return bytes;
}

Result<PluginResource> resource_of(const std::vector<Token>& tokens,
                                   const std::filesystem::path& file_folder) {
    if (tokens.size() < 3) {
        return Error{"a resource needs a type, an id and its content"};
    }
    PluginResource resource;
    if (tokens[0].quoted) {
        return Error{"the type is a word, not a text in quotes"};
    }
    resource.type = tokens[0].text;
    if (tokens[1].quoted) {
        if (tokens[1].text.empty()) {
            return Error{"an empty name"};
        }
        resource.name = tokens[1].text;
    } else {
        const std::string& id = tokens[1].text;
        const auto [end, error] =
            std::from_chars(id.data(), id.data() + id.size(), resource.number);
        if (error != std::errc() || end != id.data() + id.size()) {
            return Error{"the id \"" + id + "\" is neither a number nor a name in quotes"};
        }
    }
    const Token& kind = tokens[2];
    if (!kind.quoted && kind.text == "bytes") {
        for (std::size_t i = 3; i < tokens.size(); ++i) {
            const Token& item = tokens[i];
            if (item.quoted) {
                resource.data.insert(resource.data.end(), item.text.begin(), item.text.end());
            } else if (std::optional<std::uint8_t> byte = hex_byte(item.text)) {
                resource.data.push_back(*byte);
            } else {
                return Error{"\"" + item.text +
                             "\" is neither a byte in two hexadecimal digits nor a text"};
            }
        }
        return resource;
    }
    if (!kind.quoted && kind.text == "file") {
        if (tokens.size() != 4) {
            return Error{"file takes one file name"};
        }
        Result<std::vector<std::uint8_t>> bytes = read_file(file_folder / tokens[3].text);
        if (!bytes) {
            return Error{bytes.error()};
        }
        resource.data = std::move(*bytes);
        return resource;
    }
    return Error{"the content is \"bytes ...\" or \"file NAME\", not \"" + kind.text + "\""};
}

}  // namespace

Result<std::vector<PluginResource>> parse_resource_list(std::string_view text,
                                                        const std::filesystem::path& file_folder) {
    std::vector<PluginResource> resources;
    std::size_t line_number = 0;
    while (!text.empty()) {
        ++line_number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::string where = "line " + std::to_string(line_number) + ": ";
        Result<std::vector<Token>> tokens = tokens_of(line);
        if (!tokens) {
            return Error{where + tokens.error()};
        }
        if (tokens->empty()) {
            continue;
        }
        Result<PluginResource> resource = resource_of(*tokens, file_folder);
        if (!resource) {
            return Error{where + resource.error()};
        }
        for (const PluginResource& before : resources) {
            if (before.type == resource->type && before.name == resource->name &&
                before.number == resource->number) {
                return Error{where + resource->type + " " + resource->id_text() + " appears twice"};
            }
        }
        // The table's own rules (type, name) are checked here, where the
        // line number can still be given.
        const PluginResource single[1] = {*resource};
        if (Result<std::vector<std::uint8_t>> table = write_resource_table(single); !table) {
            return Error{where + table.error()};
        }
        resources.push_back(std::move(*resource));
    }
    return resources;
}

}  // namespace kdr::plugin_resources
