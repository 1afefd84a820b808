#include "byte_io.h"
#include "kaleidra/scene/items.h"

namespace kdr::scene {

using scene_io::ByteReader;
using scene_io::ByteWriter;

std::unique_ptr<SceneItem> Light::clone() const {
    return std::make_unique<Light>(*this);
}

chunks::ChunkId Light::chunk_id() const {
    return chunks::make_id("LIT0");
}

bool Light::read_chunk(const std::uint8_t* data, std::uint32_t length) {
    if (length < light_chunk_size) {
        return false;
    }
    ByteReader in(data, length, item_header_size);
    light_kind = in.u16();
    for (float& channel : colour) {
        channel = in.f32();
    }
    motion = scene_io::read_motion(in);
    for (float& value : values) {
        value = in.f32();
    }
    for (std::uint32_t& word : words) {
        word = in.u32();
    }
    return in.ok();
}

std::vector<std::uint8_t> Light::write_chunk() const {
    std::vector<std::uint8_t> chunk(item_header_size);
    chunk.reserve(light_chunk_size);
    write_header(chunk.data());
    ByteWriter out(chunk);
    out.u16(light_kind);
    for (float channel : colour) {
        out.f32(channel);
    }
    scene_io::write_motion(out, motion);
    for (float value : values) {
        out.f32(value);
    }
    for (std::uint32_t word : words) {
        out.u32(word);
    }
    return chunk;
}

bool Light::differs(const SceneItem& other) const {
    const auto& b = static_cast<const Light&>(other);
    return header_differs(b) || light_kind != b.light_kind || colour != b.colour ||
           motion_differs(motion, b.motion) || values != b.values || words != b.words;
}

}  // namespace kdr::scene
