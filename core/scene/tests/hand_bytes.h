#pragma once
// Bytes assembled by hand for the scene tests, independent of the library's
// own chunk writers: little-endian numbers, fixed-size text fields, chunks
// and whole "KDRE" files.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kdr::test {

struct Bytes {
    std::vector<std::uint8_t> data;

    Bytes& u8(std::uint8_t v) {
        data.push_back(v);
        return *this;
    }
    Bytes& u16(std::uint16_t v) {
        data.push_back(static_cast<std::uint8_t>(v & 0xff));
        data.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    Bytes& i16(std::int16_t v) { return u16(static_cast<std::uint16_t>(v)); }
    Bytes& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            data.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xff));
        }
        return *this;
    }
    Bytes& f32(float v) {
        std::uint32_t w;
        std::memcpy(&w, &v, 4);
        return u32(w);
    }
    Bytes& floats(std::initializer_list<float> values) {
        for (float v : values) {
            f32(v);
        }
        return *this;
    }
    // `text` then zeros up to `size` bytes.
    Bytes& text(const std::string& text, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            data.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
        }
        return *this;
    }
    Bytes& cstring(const std::string& text) { return this->text(text, text.size() + 1); }
    Bytes& zeros(std::size_t count) {
        data.resize(data.size() + count, 0);
        return *this;
    }
    Bytes& append(const Bytes& other) {
        for (std::uint8_t byte : other.data) {
            data.push_back(byte);
        }
        return *this;
    }
    Bytes& id(const char (&text)[5]) {
        for (int i = 0; i < 4; ++i) {
            data.push_back(static_cast<std::uint8_t>(text[i]));
        }
        return *this;
    }
    // The 16-byte item header.
    Bytes& header(std::uint16_t id, float start, float end, std::int16_t link,
                  std::int16_t parent) {
        return u16(id).u16(0).f32(start).f32(end).i16(link).i16(parent);
    }
    // A motion state / path key: 13 floats, u16 linear flag, two zero bytes.
    Bytes& motion(std::initializer_list<float> thirteen, std::uint16_t linear) {
        floats(thirteen);
        return u16(linear).u16(0);
    }
    std::size_t size() const { return data.size(); }
};

// A chunk: identifier, u32 length, data.
inline Bytes chunk(const char (&id)[5], const Bytes& body) {
    Bytes out;
    out.id(id).u32(static_cast<std::uint32_t>(body.size()));
    out.append(body);
    return out;
}

inline Bytes form(const char (&id)[5]) {
    Bytes out;
    out.id(id);
    return out;
}

// A memory block as hosts keep it: total size, form, chunks.
inline Bytes memory_block(const char (&id)[5], const Bytes& chunks) {
    Bytes out;
    out.u32(static_cast<std::uint32_t>(8 + chunks.size())).id(id);
    out.append(chunks);
    return out;
}

inline void write_file(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data.data()),
              static_cast<std::streamsize>(bytes.data.size()));
}

}  // namespace kdr::test
