#pragma once
// Numbered picture sequences: a file name such as "take0001.bmp" stands for
// the whole sequence take0000.bmp, take0001.bmp, ... and frame i of it is
// the highest numbered file at or below i that loads, else the name as
// given.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kdr {

// Cuts the file name (the part after the last '/') at its first '.', counts
// the decimal digits just before the cut and replaces them by `index`
// printed with as many digits, zero-padded ("%s%0*d.%s"): take0001.bmp
// becomes take0017.bmp for 17. A name with no digits there comes back
// unchanged.
std::string numbered_file_name(std::string_view name, std::uint32_t index);

// True when `name` has digits to number (numbered_file_name changes it for
// some index).
bool is_numbered_file_name(std::string_view name);

// The frame numbers whose files exist in a sequence's folder. The folder is
// listed at the first use and again only when the sequence's name or the
// folder's modification time changes (or changed just before the listing), so finding the frame for
// a large index is a search in the kept numbers, not a file test for every number below it. Not for
// use by two threads at once.
class SequenceFiles {
  public:
    // Calls `try_load` with the files of the existing frames at or below
    // `index`, highest first (for index 0: frames 0 and then 1), and then
    // with `name` exactly as given, until one call returns true. A name with
    // no digits is tried once. When the folder cannot be listed, frame
    // `index` itself and then the name are tried. Returns whether any call
    // succeeded.
    bool load_frame(std::string_view name, std::uint32_t index,
                    const std::function<bool(const std::string&)>& try_load);

    // The kept frame numbers in increasing order (after a load_frame).
    const std::vector<std::uint32_t>& numbers() const { return m_numbers; }

  private:
    void list_folder(std::string_view name);

    std::string m_name;
    bool m_listed = false;
    std::filesystem::file_time_type m_folder_time{};
    std::filesystem::file_time_type m_listed_at{};
    std::vector<std::uint32_t> m_numbers;
};

// The same with a fresh listing.
bool load_sequence_frame(std::string_view name, std::uint32_t index,
                         const std::function<bool(const std::string&)>& try_load);

}  // namespace kdr
