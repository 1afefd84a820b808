#pragma once
// Little-endian reading and writing of item chunks. The reader never goes
// past the bytes it was given: a read beyond the end yields zero and marks
// the reader failed, so a parser can read a whole layout and check once.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kaleidra/scene/motion.h"

namespace kdr::scene_io {

class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size, std::size_t position = 0)
        : m_data(data), m_size(size), m_position(position) {
        if (position > size) {
            m_failed = true;
            m_position = size;
        }
    }

    bool ok() const { return !m_failed; }
    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_size - m_position; }
    // True when `count` items of `item_size` bytes are still there.
    bool holds(std::uint64_t count, std::uint64_t item_size) const {
        return count <= remaining() / (item_size == 0 ? 1 : item_size);
    }

    bool bytes(void* target, std::size_t count) {
        if (m_failed || count > remaining()) {
            m_failed = true;
            std::memset(target, 0, count);
            return false;
        }
        std::memcpy(target, m_data + m_position, count);
        m_position += count;
        return true;
    }
    std::uint16_t u16() {
        std::uint8_t b[2];
        bytes(b, 2);
        return static_cast<std::uint16_t>(b[0] | b[1] << 8);
    }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32() {
        std::uint8_t b[4];
        bytes(b, 4);
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    float f32() {
        const std::uint32_t word = u32();
        float value;
        std::memcpy(&value, &word, sizeof value);
        return value;
    }
    void skip(std::size_t count) {
        if (m_failed || count > remaining()) {
            m_failed = true;
            m_position = m_size;
            return;
        }
        m_position += count;
    }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position;
    bool m_failed = false;
};

class ByteWriter {
  public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    void bytes(const void* data, std::size_t count) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_out.insert(m_out.end(), p, p + count);
    }
    void u16(std::uint16_t value) {
        m_out.push_back(static_cast<std::uint8_t>(value));
        m_out.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void i16(std::int16_t value) { u16(static_cast<std::uint16_t>(value)); }
    void u32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            m_out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    void f32(float value) {
        std::uint32_t word;
        std::memcpy(&word, &value, sizeof word);
        u32(word);
    }
    void zeros(std::size_t count) { m_out.insert(m_out.end(), count, 0); }

  private:
    std::vector<std::uint8_t>& m_out;
};

// A motion state or path key: 13 floats, then the u16 linear flag and two
// zero bytes.
inline MotionState read_motion(ByteReader& in) {
    MotionState state;
    for (int i = 0; i < 13; ++i) {
        motion_value(state, i) = in.f32();
    }
    state.linear = in.u16();
    in.u16();  // always zero
    return state;
}

inline void write_motion(ByteWriter& out, const MotionState& state) {
    for (int i = 0; i < 13; ++i) {
        out.f32(motion_value(state, i));
    }
    out.u16(state.linear);
    out.u16(0);
}

inline constexpr std::size_t motion_size = 56;
inline constexpr std::size_t envelope_key_size = 24;

}  // namespace kdr::scene_io
