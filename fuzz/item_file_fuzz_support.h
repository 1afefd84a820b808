#pragma once
// Shared by the envelope and path file fuzz targets: the bytes under test
// as a file, and what must hold for every item such a file gives.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace kdr::fuzz {

inline std::filesystem::path item_scratch_file(const char* stem) {
    return std::filesystem::temp_directory_path() /
           (std::string(stem) + "-" + std::to_string(::getpid()));
}

inline bool write_scratch(const std::filesystem::path& file, const std::uint8_t* data,
                          std::size_t size) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, out) == size;
    return std::fclose(out) == 0 && written;
}

// Keys the editors may work on: in time order within 0..1.
template <class Keys>
void check_key_times(const Keys& keys) {
    float last = 0;
    for (const auto& key : keys) {
        if (!(key.time >= last && key.time <= 1)) {
            __builtin_trap();
        }
        last = key.time;
    }
}

}  // namespace kdr::fuzz
