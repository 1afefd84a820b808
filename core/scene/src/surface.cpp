#include <cstring>

#include "byte_io.h"
#include "kaleidra/scene/items.h"

namespace kdr::scene {

using scene_io::ByteReader;
using scene_io::ByteWriter;

namespace {

void read_colour(ByteReader& in, Colour& colour) {
    for (float& channel : colour) {
        channel = in.f32();
    }
}

void write_colour(ByteWriter& out, const Colour& colour) {
    for (float channel : colour) {
        out.f32(channel);
    }
}

}  // namespace

std::unique_ptr<SceneItem> Surface::clone() const {
    return std::make_unique<Surface>(*this);
}

chunks::ChunkId Surface::chunk_id() const {
    return chunks::make_id("SRF0");
}

bool Surface::read_chunk(const std::uint8_t* data, std::uint32_t length) {
    if (length < surface_chunk_size) {
        return false;
    }
    ByteReader in(data, length, item_header_size);
    source_kind = in.u16();
    video_number = in.u16();
    read_colour(in, first_colour);
    read_colour(in, diffuse);
    read_colour(in, third_colour);
    value68 = in.f32();
    read_colour(in, fourth_colour);
    in.bytes(name.data(), name.size());
    name.back() = '\0';  // a name that fills the field is cut, never left open
    frame_offset_or_smoothing = in.f32();
    for (std::uint32_t& word : words) {
        word = in.u32();
    }
    for (float& value : values) {
        value = in.f32();
    }
    two_sided = in.u16();
    texture_index = -1;
    return in.ok();
}

std::vector<std::uint8_t> Surface::write_chunk() const {
    std::vector<std::uint8_t> chunk(item_header_size);
    chunk.reserve(surface_chunk_size);
    write_header(chunk.data());
    ByteWriter out(chunk);
    out.u16(source_kind);
    out.u16(video_number);
    write_colour(out, first_colour);
    write_colour(out, diffuse);
    write_colour(out, third_colour);
    out.f32(value68);
    write_colour(out, fourth_colour);
    out.bytes(name.data(), name.size());
    out.f32(frame_offset_or_smoothing);
    for (std::uint32_t word : words) {
        out.u32(word);
    }
    for (float value : values) {
        out.f32(value);
    }
    out.u16(two_sided);
    return chunk;
}

bool Surface::differs(const SceneItem& other) const {
    const auto& b = static_cast<const Surface&>(other);
    return header_differs(b) || source_kind != b.source_kind || video_number != b.video_number ||
           first_colour != b.first_colour || diffuse != b.diffuse ||
           third_colour != b.third_colour || value68 != b.value68 ||
           fourth_colour != b.fourth_colour ||
           std::strncmp(name.data(), b.name.data(), name.size()) != 0 ||
           frame_offset_or_smoothing != b.frame_offset_or_smoothing || words != b.words ||
           values != b.values || two_sided != b.two_sided;
}

void Surface::set_name(const char* text) {
    name.fill('\0');
    if (text != nullptr) {
        std::strncpy(name.data(), text, name.size() - 1);
    }
}

}  // namespace kdr::scene
