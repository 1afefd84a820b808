#include "byte_io.h"
#include "kaleidra/scene/items.h"

namespace kdr::scene {

using scene_io::ByteReader;
using scene_io::ByteWriter;

std::unique_ptr<SceneItem> Envelope::clone() const {
    return std::make_unique<Envelope>(*this);
}

chunks::ChunkId Envelope::chunk_id() const {
    return chunks::make_id("ENV0");
}

bool Envelope::read_chunk(const std::uint8_t* data, std::uint32_t length) {
    ByteReader in(data, length, item_header_size);
    const std::uint16_t number = in.u16();
    const std::uint32_t count = in.u32();
    if (!in.ok() || count > max_keys || !in.holds(count, scene_io::envelope_key_size)) {
        return false;
    }
    parameter = number;
    keys.clear();
    keys.reserve(count + 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        EnvelopeKey key;
        key.time = in.f32();
        key.value = in.f32();
        key.tension = in.f32();
        key.continuity = in.f32();
        key.bias = in.f32();
        key.linear = in.u16();
        in.u16();  // always zero
        keys.push_back(key);
    }
    if (!in.ok()) {
        return false;
    }
    complete_keys();
    return true;
}

void Envelope::complete_keys() {
    if (keys.empty()) {
        return;
    }
    // The added keys hold the neighbour's value and run straight into it.
    auto end_key = [](float time, float value) {
        EnvelopeKey key;
        key.time = time;
        key.value = value;
        key.linear = 1;
        return key;
    };
    if (keys.front().time != 0) {
        keys.insert(keys.begin(), end_key(0, keys.front().value));
    }
    if (keys.back().time != 1) {
        keys.push_back(end_key(1, keys.back().value));
    }
}

std::vector<std::uint8_t> Envelope::write_chunk() const {
    std::vector<std::uint8_t> chunk(item_header_size);
    chunk.reserve(22 + scene_io::envelope_key_size * keys.size());
    write_header(chunk.data());
    ByteWriter out(chunk);
    out.u16(parameter);
    out.u32(static_cast<std::uint32_t>(keys.size()));
    for (const EnvelopeKey& key : keys) {
        out.f32(key.time);
        out.f32(key.value);
        out.f32(key.tension);
        out.f32(key.continuity);
        out.f32(key.bias);
        out.u16(key.linear);
        out.u16(0);
    }
    return chunk;
}

bool Envelope::differs(const SceneItem& other) const {
    const auto& b = static_cast<const Envelope&>(other);
    if (header_differs(b) || parameter != b.parameter || keys.size() != b.keys.size()) {
        return true;
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (key_differs(keys[i], b.keys[i])) {
            return true;
        }
    }
    return false;
}

}  // namespace kdr::scene
