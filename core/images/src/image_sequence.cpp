#include "kaleidra/images/image_sequence.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <system_error>

namespace kdr {
namespace {

struct NameParts {
    std::string_view stem;  // up to the digits
    std::size_t digit_count = 0;
    std::string_view extension;  // after the first '.' of the file name
    bool has_dot = false;
};

NameParts split(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    const std::size_t file_start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = name.find('.', file_start);
    NameParts parts;
    std::size_t cut = name.size();
    if (dot != std::string_view::npos) {
        cut = dot;
        parts.has_dot = true;
        parts.extension = name.substr(dot + 1);
    }
    std::size_t digits_start = cut;
    while (digits_start > file_start && name[digits_start - 1] >= '0' &&
           name[digits_start - 1] <= '9') {
        --digits_start;
    }
    parts.stem = name.substr(0, digits_start);
    parts.digit_count = cut - digits_start;
    return parts;
}

}  // namespace

std::string numbered_file_name(std::string_view name, std::uint32_t index) {
    const NameParts parts = split(name);
    if (parts.digit_count == 0) {
        return std::string(name);
    }
    std::string number = std::to_string(index);
    if (number.size() < parts.digit_count) {
        number.insert(0, parts.digit_count - number.size(), '0');
    }
    std::string result(parts.stem);
    result += number;
    if (parts.has_dot) {
        result += '.';
        result += parts.extension;
    }
    return result;
}

bool is_numbered_file_name(std::string_view name) {
    return split(name).digit_count > 0;
}

namespace {

// The folder a sequence's files lie in.
std::filesystem::path folder_of(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    if (slash == std::string_view::npos) {
        return ".";
    }
    return slash == 0 ? std::filesystem::path("/") : std::filesystem::path(name.substr(0, slash));
}

std::string_view file_part(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// The frame number of `entry` when it is a file of the sequence `pattern`
// (a file name without folder): the digits in the number's place, printed
// back by the numbered-name rule, give exactly `entry`.
std::optional<std::uint32_t> frame_number(std::string_view pattern, const NameParts& parts,
                                          std::string_view entry) {
    const std::string_view stem = parts.stem;
    const std::size_t tail = parts.has_dot ? parts.extension.size() + 1 : 0;
    if (entry.size() <= stem.size() + tail || entry.substr(0, stem.size()) != stem) {
        return std::nullopt;
    }
    const std::string_view digits = entry.substr(stem.size(), entry.size() - stem.size() - tail);
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size() ||
        numbered_file_name(pattern, number) != entry) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

void SequenceFiles::list_folder(std::string_view name) {
    const std::filesystem::path folder = folder_of(name);
    std::error_code error;
    const std::filesystem::file_time_type folder_time =
        std::filesystem::last_write_time(folder, error);
    // A folder changed within the last two seconds may change again within
    // the same tick of a coarse file system clock, unseen: list it again.
    if (!error && m_listed && m_name == name && folder_time == m_folder_time &&
        m_listed_at - m_folder_time > std::chrono::seconds(2)) {
        return;
    }
    m_name = std::string(name);
    m_numbers.clear();
    m_listed = false;
    if (error) {
        return;
    }
    const std::string_view pattern = file_part(name);
    const NameParts parts = split(pattern);
    std::filesystem::directory_iterator entries(folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string entry = entries->path().filename().string();
        if (std::optional<std::uint32_t> number = frame_number(pattern, parts, entry)) {
            m_numbers.push_back(*number);
        }
    }
    if (error) {
        m_numbers.clear();
        return;
    }
    std::sort(m_numbers.begin(), m_numbers.end());
    m_numbers.erase(std::unique(m_numbers.begin(), m_numbers.end()), m_numbers.end());
    m_folder_time = folder_time;
    m_listed_at = std::filesystem::file_time_type::clock::now();
    m_listed = true;
}

bool SequenceFiles::load_frame(std::string_view name, std::uint32_t index,
                               const std::function<bool(const std::string&)>& try_load) {
    if (!is_numbered_file_name(name)) {
        return try_load(std::string(name));
    }
    list_folder(name);
    if (!m_listed) {
        return try_load(numbered_file_name(name, index)) || try_load(std::string(name));
    }
    if (index == 0) {
        // Frame 0 also shows frame 1, for sequences numbered from 1.
        for (std::uint32_t frame : {0u, 1u}) {
            if (std::binary_search(m_numbers.begin(), m_numbers.end(), frame) &&
                try_load(numbered_file_name(name, frame))) {
                return true;
            }
        }
        return try_load(std::string(name));
    }
    auto next = std::upper_bound(m_numbers.begin(), m_numbers.end(), index);
    while (next != m_numbers.begin()) {
        --next;
        if (try_load(numbered_file_name(name, *next))) {
            return true;
        }
    }
    return try_load(std::string(name));
}

bool load_sequence_frame(std::string_view name, std::uint32_t index,
                         const std::function<bool(const std::string&)>& try_load) {
    SequenceFiles files;
    return files.load_frame(name, index, try_load);
}

}  // namespace kdr
