#include <bit>
#include <cstring>

#include "byte_io.h"
#include "kaleidra/scene/items.h"

namespace kdr::scene {

using scene_io::ByteReader;
using scene_io::ByteWriter;

std::unique_ptr<SceneItem> Warp::clone() const {
    return std::make_unique<Warp>(*this);
}

chunks::ChunkId Warp::chunk_id() const {
    return chunks::make_id("WRP0");
}

bool Warp::read_chunk(const std::uint8_t* data, std::uint32_t length) {
    ByteReader in(data, length, item_header_size);
    std::array<char, 41> stored_name{};
    in.bytes(stored_name.data(), stored_name.size());
    const float value = in.f32();
    const std::uint32_t count = in.u32();
    if (!in.ok() || count > max_warp_parameters || !in.holds(count, 4)) {
        return false;
    }
    name = stored_name;
    name.back() = '\0';
    main_value = value;
    parameters.assign(count, 0);
    for (std::uint32_t& parameter : parameters) {
        parameter = in.u32();
    }
    return in.ok();
}

std::vector<std::uint8_t> Warp::write_chunk() const {
    std::vector<std::uint8_t> chunk(item_header_size);
    chunk.reserve(warp_chunk_size + 4 * parameters.size());
    write_header(chunk.data());
    ByteWriter out(chunk);
    out.bytes(name.data(), name.size());
    out.f32(main_value);
    out.u32(static_cast<std::uint32_t>(parameters.size()));
    for (std::uint32_t parameter : parameters) {
        out.u32(parameter);
    }
    return chunk;
}

void Warp::set_parameter(int number, float value) {
    if (number == 0) {
        main_value = value;
    } else if (number >= 1 && static_cast<std::size_t>(number) < parameters.size()) {
        parameters[static_cast<std::size_t>(number)] = std::bit_cast<std::uint32_t>(value);
    }
}

bool Warp::differs(const SceneItem& other) const {
    const auto& b = static_cast<const Warp&>(other);
    return header_differs(b) || std::strncmp(name.data(), b.name.data(), name.size()) != 0 ||
           main_value != b.main_value || parameters != b.parameters;
}

}  // namespace kdr::scene
