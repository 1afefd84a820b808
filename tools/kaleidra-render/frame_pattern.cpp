#include "frame_pattern.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace kdr::render_tool {

std::optional<FramePattern> FramePattern::parse(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    const std::size_t file_start = slash == std::string_view::npos ? 0 : slash + 1;
    if (name.substr(0, file_start).find('%') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view file = name.substr(file_start);
    const std::size_t percent = file.find('%');
    if (percent == std::string_view::npos) {
        return std::nullopt;
    }
    FramePattern pattern;
    std::size_t at = percent + 1;
    if (at < file.size() && file[at] == '0') {
        pattern.m_zero_padded = true;
        ++at;
    }
    if (at < file.size() && file[at] >= '1' && file[at] <= '9') {
        pattern.m_width = file[at] - '0';
        ++at;
    }
    if (at >= file.size() || file[at] != 'd') {
        return std::nullopt;
    }
    pattern.m_prefix = std::string(file.substr(0, percent));
    pattern.m_suffix = std::string(file.substr(at + 1));
    if (pattern.m_suffix.find('%') != std::string::npos ||
        (pattern.m_prefix.empty() && pattern.m_suffix.empty())) {
        return std::nullopt;
    }
    pattern.m_folder = std::string(name.substr(0, file_start));
    return pattern;
}

std::string FramePattern::name_for(std::uint32_t number) const {
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < m_width) {
        digits.insert(0, static_cast<std::size_t>(m_width) - digits.size(),
                      m_zero_padded ? '0' : ' ');
    }
    return (m_folder / (m_prefix + digits + m_suffix)).string();
}

std::vector<std::uint32_t> FramePattern::numbers_present() const {
    std::vector<std::uint32_t> numbers;
    std::error_code error;
    const std::filesystem::path folder = m_folder.empty() ? std::filesystem::path(".") : m_folder;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string file = entry.path().filename().string();
        if (file.size() <= m_prefix.size() + m_suffix.size() ||
            file.compare(0, m_prefix.size(), m_prefix) != 0 ||
            file.compare(file.size() - m_suffix.size(), m_suffix.size(), m_suffix) != 0) {
            continue;
        }
        std::string_view digits(file);
        digits = digits.substr(m_prefix.size(), file.size() - m_prefix.size() - m_suffix.size());
        if (!m_zero_padded) {
            while (!digits.empty() && digits.front() == ' ') {
                digits.remove_prefix(1);
            }
        }
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(),
                                           [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        std::uint32_t number = 0;
        auto [stop, failure] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (failure == std::errc() && stop == digits.data() + digits.size() &&
            name_for(number) == (m_folder / file).string()) {
            numbers.push_back(number);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

bool has_frame_pattern(std::string_view name) {
    return FramePattern::parse(name).has_value();
}

}  // namespace kdr::render_tool
