#include "kaleidra/updater/script.h"

#include <limits>

namespace kdr::updater {
namespace {

constexpr std::string_view line_end = "\r\n";
constexpr std::string_view installation_macro = "{KDRDIR}";
constexpr std::string_view windows_macro = "{WINDIR}";
constexpr std::string_view system_macro = "{SYSDIR}";

// The fields of a command line: runs of commas count as one, and commas at
// either end make no empty field.
std::vector<std::string_view> split_fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t position = 0;
    while (position < line.size()) {
        std::size_t start = line.find_first_not_of(',', position);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = line.find(',', start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        fields.push_back(line.substr(start, end - start));
        position = end;
    }
    return fields;
}

class Expander {
  public:
    Expander(const FolderValues& folders, std::size_t budget)
        : m_folders(folders), m_budget(budget) {}

    // The argument with its macros replaced; false when the budget ran out.
    bool expand(std::string_view field, CommandRecord& record) {
        std::string argument;
        std::size_t position = 0;
        while (position < field.size()) {
            char c = field[position];
            if (c != '{') {
                argument += c;
                ++position;
                continue;
            }
            std::string_view group = field.substr(position, installation_macro.size());
            if (group == installation_macro) {
                if (m_folders.installation) {
                    argument += *m_folders.installation;
                } else {
                    record.needs_installation = true;
                }
            } else if (group == windows_macro) {
                argument += m_folders.windows;
            } else if (group == system_macro) {
                argument += m_folders.system;
            }
            // The group, known or not, ends at its closing brace; an unclosed
            // one runs to the end of the argument.
            std::size_t close = field.find('}', position + 1);
            position = close == std::string_view::npos ? field.size() : close + 1;
        }
        if (argument.size() > m_budget) {
            return false;
        }
        m_budget -= argument.size();
        record.arguments.push_back(std::move(argument));
        return true;
    }

  private:
    const FolderValues& m_folders;
    std::size_t m_budget;
};

}  // namespace

const std::string& CommandRecord::argument(std::size_t index) const {
    static const std::string none;
    return index < arguments.size() ? arguments[index] : none;
}

std::int32_t parse_decimal(std::string_view text) {
    std::size_t position = 0;
    auto is_space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (position < text.size() && is_space(text[position])) {
        ++position;
    }
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    constexpr std::int64_t top = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t bottom = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        value = value * 10 + (text[position] - '0');
        if (value > top + 1) {
            value = top + 1;  // stays saturated; the sign decides below
        }
        ++position;
    }
    value = negative ? -value : value;
    if (value > top) {
        return static_cast<std::int32_t>(top);
    }
    if (value < bottom) {
        return static_cast<std::int32_t>(bottom);
    }
    return static_cast<std::int32_t>(value);
}

Result<Script> parse_script(std::string_view text, const FolderFetcher& fetch_folders,
                            const ParseLimits& limits) {
    Script script;
    FolderValues folders;
    Expander expander(folders, limits.expanded_bytes);
    std::int64_t counter = -4;
    std::size_t position = 0;
    for (;;) {
        std::size_t end = text.find(line_end, position);
        if (end == std::string_view::npos) {
            script.ignored_bytes = text.size() - position;
            break;
        }
        std::string_view line = text.substr(position, end - position);
        position = end + line_end.size();

        switch (counter) {
            case -4:
                script.key = std::string(line);
                break;
            case -3:
                script.number = parse_decimal(line);
                folders = fetch_folders(script.key);
                break;
            case -2:
                script.text = std::string(line);
                break;
            case -1:
                script.declared_count = parse_decimal(line);
                script.header_complete = true;
                break;
            default: {
                if (counter >= script.declared_count) {
                    ++script.ignored_lines;
                    break;
                }
                CommandRecord& record = script.records.emplace_back();
                record.line = std::string(line);
                if (line.size() <= 2 || line[1] != ',') {
                    break;
                }
                std::vector<std::string_view> fields = split_fields(line);
                if (fields.empty()) {
                    break;
                }
                record.letter = fields.front().front();
                for (std::size_t i = 1; i < fields.size(); ++i) {
                    if (!expander.expand(fields[i], record)) {
                        return Error{"update.data expands to more than " +
                                     std::to_string(limits.expanded_bytes) + " bytes of arguments"};
                    }
                }
                break;
            }
        }
        ++counter;
    }
    return script;
}

}  // namespace kdr::updater
