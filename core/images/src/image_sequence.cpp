#include "kaleidra/images/image_sequence.h"

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

bool load_sequence_frame(std::string_view name, std::uint32_t index,
                         const std::function<bool(const std::string&)>& try_load) {
    if (!is_numbered_file_name(name)) {
        return try_load(std::string(name));
    }
    if (index == 0) {
        for (std::uint32_t frame : {0u, 1u, 0u}) {
            if (try_load(numbered_file_name(name, frame))) {
                return true;
            }
        }
    } else {
        for (std::uint64_t frame = std::uint64_t{index} + 1; frame-- > 0;) {
            if (try_load(numbered_file_name(name, static_cast<std::uint32_t>(frame)))) {
                return true;
            }
        }
    }
    return try_load(std::string(name));
}

}  // namespace kdr
