#pragma once
// File names with one printf-style number in them ("shots/take%04d.png"),
// for numbered picture sequences in and out.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdr::render_tool {

class FramePattern {
  public:
    // The pattern in `name`'s file name part: "%d", "%Nd" or "%0Nd" (N up to
    // 9), exactly one. Nothing when there is none or it is malformed.
    static std::optional<FramePattern> parse(std::string_view name);

    std::string name_for(std::uint32_t number) const;
    // The numbers of the files in the folder whose names fit the pattern,
    // in ascending order.
    std::vector<std::uint32_t> numbers_present() const;

  private:
    std::filesystem::path m_folder;
    std::string m_prefix;  // of the file name, before the number
    std::string m_suffix;
    int m_width = 0;
    bool m_zero_padded = false;
};

// True when the name holds a '%' that starts a number pattern.
bool has_frame_pattern(std::string_view name);

}  // namespace kdr::render_tool
