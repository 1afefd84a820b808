#pragma once
// Little-endian numbers in stored records (project files, the output
// settings record), read and written byte by byte so that neither alignment
// nor the machine's byte order matters.

#include <cstdint>
#include <cstring>

namespace kdr::editor::detail {

inline std::uint32_t load_u32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline std::int32_t load_i32(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(load_u32(bytes));
}

inline float load_f32(const std::uint8_t* bytes) {
    const std::uint32_t word = load_u32(bytes);
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

inline void store_u32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void store_i32(std::uint8_t* bytes, std::int32_t value) {
    store_u32(bytes, static_cast<std::uint32_t>(value));
}

inline void store_f32(std::uint8_t* bytes, float value) {
    std::uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    store_u32(bytes, word);
}

}  // namespace kdr::editor::detail
