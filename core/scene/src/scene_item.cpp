#include "kaleidra/scene/scene_item.h"

#include "byte_io.h"

namespace kdr::scene {

void SceneItem::write_header(std::uint8_t* chunk) const {
    std::vector<std::uint8_t> header;
    scene_io::ByteWriter out(header);
    out.u16(id);
    out.u16(0);
    out.f32(start);
    out.f32(end);
    out.i16(link_id);
    out.i16(parent_id);
    std::memcpy(chunk, header.data(), item_header_size);
}

bool SceneItem::header_differs(const SceneItem& other) const {
    return id != other.id || link_id != other.link_id || parent_id != other.parent_id ||
           start != other.start || end != other.end;
}

}  // namespace kdr::scene
