#pragma once
// The 16-byte header at the start of every item chunk: u16 id (bytes 2 and 3
// zero), f32 start, f32 end, i16 link id, i16 parent id.

#include <cstdint>

#include "byte_io.h"
#include "kaleidra/scene/scene_item.h"

namespace kdr::scene_io {

struct ItemHeader {
    std::uint16_t id = 0;
    float start = 0;
    float end = 1;
    std::int16_t link_id = 0;
    std::int16_t parent_id = 0;
};

inline bool read_item_header(const std::uint8_t* data, std::uint32_t length, ItemHeader& header) {
    if (length < item_header_size) {
        return false;
    }
    ByteReader in(data, length);
    header.id = in.u16();
    in.u16();
    header.start = in.f32();
    header.end = in.f32();
    header.link_id = in.i16();
    header.parent_id = in.i16();
    return in.ok();
}

}  // namespace kdr::scene_io
