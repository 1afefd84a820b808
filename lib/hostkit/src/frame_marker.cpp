#include "kaleidra/hostkit/frame_marker.h"

#include <cstring>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"

namespace kdr::hostkit {
namespace {

using chunks::ChunkStream;
using chunks::make_id;

constexpr chunks::ChunkId marker_form = make_id("MSAV");
constexpr chunks::ChunkId frame_chunk = make_id("LFRM");
constexpr chunks::ChunkId width_chunk = make_id("LWID");
constexpr chunks::ChunkId height_chunk = make_id("LHIT");

std::int32_t little_endian(const std::uint8_t* data) {
    const std::uint32_t value = std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24;
    return static_cast<std::int32_t>(value);
}

FrameMarker read_chunks(ChunkStream& stream) {
    FrameMarker marker;
    chunks::Chunk chunk;
    while (stream.status() == chunks::ready && stream.read_chunk(chunk) == chunks::ready) {
        if (chunk.length != 4) {
            continue;
        }
        const std::int32_t value = little_endian(chunk.data);
        if (chunk.id == frame_chunk) {
            marker.frame = value;
        } else if (chunk.id == width_chunk) {
            marker.width = value;
        } else if (chunk.id == height_chunk) {
            marker.height = value;
        }
    }
    (void)stream.close();
    return marker;
}

void put(std::uint8_t* bytes, std::int32_t value) {
    const auto word = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
}

}  // namespace

FrameMarker read_frame_marker(const std::filesystem::path& file) {
    ChunkStream stream = ChunkStream::open_file(chunks::ChunkMode::read_file, file, marker_form);
    return read_chunks(stream);
}

FrameMarker read_frame_marker_bytes(const void* data, std::size_t size) {
    // A file holds the form and the chunks; in memory a size word goes first.
    if (size > 0xFFFFFFF0u) {
        return {};
    }
    std::vector<std::uint8_t> block(size + 4);
    put(block.data(), static_cast<std::int32_t>(size + 4));
    if (size > 0) {
        std::memcpy(block.data() + 4, data, size);
    }
    ChunkStream stream = ChunkStream::open_memory_reader(block.data(), block.size(), marker_form);
    return read_chunks(stream);
}

Status write_frame_marker(const std::filesystem::path& file, const FrameMarker& marker) {
    ChunkStream stream = ChunkStream::open_file(chunks::ChunkMode::write_file, file, marker_form);
    const std::pair<chunks::ChunkId, std::int32_t> values[] = {
        {frame_chunk, marker.frame}, {width_chunk, marker.width}, {height_chunk, marker.height}};
    for (const auto& [id, value] : values) {
        std::uint8_t bytes[4];
        put(bytes, value);
        if (stream.write_chunk(id, 4, bytes) != chunks::ready) {
            break;
        }
    }
    const int status = stream.close();
    if (status != chunks::ready) {
        return Error{"cannot write the frame marker " + file.string() + ": " +
                     chunks::chunk_status_text(status)};
    }
    return Status::success();
}

}  // namespace kdr::hostkit
