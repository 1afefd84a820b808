#include "byte_io.h"
#include "kaleidra/scene/items.h"

namespace kdr::scene {

using scene_io::ByteReader;
using scene_io::ByteWriter;

std::unique_ptr<SceneItem> Path::clone() const {
    return std::make_unique<Path>(*this);
}

chunks::ChunkId Path::chunk_id() const {
    return chunks::make_id("PTH0");
}

bool Path::read_chunk(const std::uint8_t* data, std::uint32_t length) {
    ByteReader in(data, length, item_header_size);
    const std::uint32_t count = in.u32();
    if (!in.ok() || count > max_keys || !in.holds(count, scene_io::motion_size)) {
        return false;
    }
    keys.clear();
    keys.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        keys.push_back(scene_io::read_motion(in));
    }
    return in.ok();
}

std::vector<std::uint8_t> Path::write_chunk() const {
    std::vector<std::uint8_t> chunk(item_header_size);
    chunk.reserve(20 + scene_io::motion_size * keys.size());
    write_header(chunk.data());
    ByteWriter out(chunk);
    out.u32(static_cast<std::uint32_t>(keys.size()));
    for (const PathKey& key : keys) {
        scene_io::write_motion(out, key);
    }
    return chunk;
}

bool Path::differs(const SceneItem& other) const {
    const auto& b = static_cast<const Path&>(other);
    if (header_differs(b) || keys.size() != b.keys.size()) {
        return true;
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (motion_differs(keys[i], b.keys[i])) {
            return true;
        }
    }
    return false;
}

}  // namespace kdr::scene
