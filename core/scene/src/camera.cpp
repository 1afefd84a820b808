#include "byte_io.h"
#include "kaleidra/scene/items.h"

namespace kdr::scene {

using scene_io::ByteReader;
using scene_io::ByteWriter;

std::unique_ptr<SceneItem> Camera::clone() const {
    return std::make_unique<Camera>(*this);
}

chunks::ChunkId Camera::chunk_id() const {
    return chunks::make_id("CAM0");
}

bool Camera::read_chunk(const std::uint8_t* data, std::uint32_t length) {
    if (length < camera_chunk_size) {
        return false;
    }
    ByteReader in(data, length, item_header_size);
    motion = scene_io::read_motion(in);
    field_of_view = in.f32();
    near_distance = in.f32();
    far_distance = in.f32();
    for (float& value : extra) {
        value = in.f32();
    }
    return in.ok();
}

std::vector<std::uint8_t> Camera::write_chunk() const {
    std::vector<std::uint8_t> chunk(item_header_size);
    chunk.reserve(camera_chunk_size);
    write_header(chunk.data());
    ByteWriter out(chunk);
    scene_io::write_motion(out, motion);
    out.f32(field_of_view);
    out.f32(near_distance);
    out.f32(far_distance);
    for (float value : extra) {
        out.f32(value);
    }
    return chunk;
}

bool Camera::differs(const SceneItem& other) const {
    const auto& b = static_cast<const Camera&>(other);
    return header_differs(b) || motion_differs(motion, b.motion) ||
           field_of_view != b.field_of_view || near_distance != b.near_distance ||
           far_distance != b.far_distance || extra != b.extra;
}

}  // namespace kdr::scene
