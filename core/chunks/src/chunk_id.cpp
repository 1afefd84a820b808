#include "kaleidra/chunks/chunk_id.h"

namespace kdr::chunks {

std::string id_to_text(ChunkId id) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        auto c = static_cast<unsigned char>((id >> (8 * i)) & 0xff);
        text[static_cast<std::size_t>(i)] = (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '.';
    }
    return text;
}

ChunkId id_from_text(const std::string& text) {
    ChunkId id = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        auto c = static_cast<unsigned char>(i < text.size() ? text[i] : ' ');
        id |= static_cast<ChunkId>(c) << (8 * i);
    }
    return id;
}

}  // namespace kdr::chunks
