#pragma once
// Form and chunk identifiers: four ASCII characters stored as a 32-bit
// little-endian word whose bytes, in file order, are the characters in
// reading order ("RIN0" is the bytes 52 49 4E 30, the word 0x304E4952).

#include <cstdint>
#include <string>

namespace kdr::chunks {

using ChunkId = std::uint32_t;

consteval ChunkId make_id(const char (&text)[5]) {
    return static_cast<ChunkId>(static_cast<unsigned char>(text[0])) |
           static_cast<ChunkId>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<ChunkId>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<ChunkId>(static_cast<unsigned char>(text[3])) << 24;
}

// The four characters of an identifier; bytes that are not printable ASCII
// appear as '.'.
std::string id_to_text(ChunkId id);

// The identifier spelled by the first four characters of `text` (missing
// characters count as spaces).
ChunkId id_from_text(const std::string& text);

}  // namespace kdr::chunks
