// The chunk parser of effect files and settings blocks: item chunks become
// items appended to their lists, header chunks set the scene's header values.
#include <algorithm>
#include <cstring>
#include <new>

#include "byte_io.h"
#include "item_header.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/scene/scene.h"

namespace kdr {
namespace {

using chunks::make_id;

// Builds an item from its chunk and appends it; a chunk that is too short,
// whose counts lie, or that cannot be held in memory is dropped.
template <class Item>
void parse_item(std::vector<std::unique_ptr<Item>>& list, const chunks::Chunk& chunk) {
    scene_io::ItemHeader header;
    if (!scene_io::read_item_header(chunk.data, chunk.length, header)) {
        return;
    }
    try {
        auto item = std::make_unique<Item>();
        item->id = header.id;
        item->start = header.start;
        item->end = header.end;
        item->link_id = header.link_id;
        item->parent_id = header.parent_id;
        if (item->read_chunk(chunk.data, chunk.length)) {
            list.push_back(std::move(item));
        }
    } catch (const std::bad_alloc&) {
    }
}

// The text up to the first NUL, or the whole chunk when it holds none.
std::string chunk_text(const std::uint8_t* data, std::size_t length) {
    const auto* text = reinterpret_cast<const char*>(data);
    return std::string(text, std::find(text, text + length, '\0'));
}

bool read_word(const chunks::Chunk& chunk, std::uint32_t& word) {
    if (chunk.length < 4) {
        return false;
    }
    scene_io::ByteReader in(chunk.data, chunk.length);
    word = in.u32();
    return true;
}

}  // namespace

void Scene::parse_chunk(const chunks::Chunk& chunk) {
    if (chunk.data == nullptr && chunk.length > 0) {
        return;
    }
    std::uint32_t word = 0;
    try {
        switch (chunk.id) {
            case make_id("CAM0"):
                parse_item(cameras, chunk);
                break;
            case make_id("LIT0"):
                parse_item(lights, chunk);
                break;
            case make_id("OBJ0"):
                parse_item(objects, chunk);
                break;
            case make_id("SRF0"):
                parse_item(surfaces, chunk);
                break;
            case make_id("PTH0"):
                parse_item(paths, chunk);
                break;
            case make_id("ENV0"):
                parse_item(envelopes, chunk);
                break;
            case make_id("WRP0"):
                parse_item(warps, chunk);
                break;
            case make_id("ENAM"):
                name = chunk_text(chunk.data, chunk.length);
                break;
            case make_id("DESC"):
                description = chunk_text(chunk.data, chunk.length);
                break;
            case make_id("ETYP"):
                if (read_word(chunk, word)) {
                    type = word;
                }
                break;
            case make_id("VCNT"):
                // The table starts empty; a forged count cannot make it huge.
                if (read_word(chunk, word)) {
                    video_names.assign(std::min(word, max_video_count), std::string());
                }
                break;
            case make_id("VDSC"):
                if (read_word(chunk, word) && word < video_names.size()) {
                    video_names[word] = chunk_text(chunk.data + 4, chunk.length - 4);
                }
                break;
            case make_id("BEST"):
                if (chunk.length >= 4) {
                    scene_io::ByteReader in(chunk.data, chunk.length);
                    best_frame = in.f32();
                }
                break;
            case make_id("ALOW"):
                if (read_word(chunk, word)) {
                    allow = word;
                }
                break;
            case make_id("IMG0"):
                // The preview picture is for the catalogue only: an effect
                // whose preview cannot be read still loads, without one.
                (void)read_embedded_image(preview, chunk.data, chunk.length);
                break;
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
        // A header string that cannot be held is left as it was.
    }
}

}  // namespace kdr
