// Envelope and path files: one "ENV0" or "PTH0" chunk in a chunked file of
// form "KENV" or "KPTH".
#include "kaleidra/scene/item_files.h"

#include <cmath>
#include <new>

#include "item_header.h"

namespace kdr {
namespace {

using chunks::ChunkStream;

bool finite(float value) {
    return std::isfinite(value);
}

// Keys an editor can work with: at least one, times within 0..1 and never
// going back, every number finite.
template <class Key, class Check>
bool keys_usable(const std::vector<Key>& keys, Check numbers_finite) {
    if (keys.empty()) {
        return false;
    }
    float last_time = 0;
    for (const Key& key : keys) {
        if (!finite(key.time) || key.time < 0 || key.time > 1 || key.time < last_time ||
            !numbers_finite(key)) {
            return false;
        }
        last_time = key.time;
    }
    return true;
}

bool envelope_key_finite(const EnvelopeKey& key) {
    return finite(key.value) && finite(key.tension) && finite(key.continuity) && finite(key.bias);
}

bool path_key_finite(const PathKey& key) {
    for (int i = 1; i < motion_value_count; ++i) {
        if (!finite(motion_value(key, i))) {
            return false;
        }
    }
    return true;
}

template <class Item>
bool item_from_chunk(const chunks::Chunk& chunk, chunks::ChunkId id, Item& target) {
    if (chunk.id != id || chunk.data == nullptr) {
        return false;
    }
    scene_io::ItemHeader header;
    if (!scene_io::read_item_header(chunk.data, chunk.length, header) || !finite(header.start) ||
        !finite(header.end)) {
        return false;
    }
    try {
        Item item;
        item.id = header.id;
        item.start = header.start;
        item.end = header.end;
        item.link_id = header.link_id;
        item.parent_id = header.parent_id;
        if (!item.read_chunk(chunk.data, chunk.length)) {
            return false;
        }
        target = std::move(item);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <class Item, class Parse>
ItemFileRead read_item_file(const std::filesystem::path& file, chunks::ChunkId form,
                            chunks::ChunkId chunk_id, Item& item, Parse parse) {
    ChunkStream stream = ChunkStream::open_file(chunks::ChunkMode::read_file, file, form);
    if (stream.status() != chunks::ready) {
        return ItemFileRead::unreadable;
    }
    chunks::Chunk chunk;
    if (stream.read_chunk(chunk) != chunks::ready) {
        return ItemFileRead::unreadable;
    }
    if (chunk.id != chunk_id) {
        return ItemFileRead::other_chunk;
    }
    return parse(chunk, item) ? ItemFileRead::read : ItemFileRead::unreadable;
}

Status write_item_file(const std::filesystem::path& file, chunks::ChunkId form,
                       const scene::SceneItem& item) {
    std::vector<std::uint8_t> data;
    try {
        data = item.write_chunk();
    } catch (const std::bad_alloc&) {
        return Error{"cannot write \"" + file.string() + "\": out of memory"};
    }
    ChunkStream stream = ChunkStream::open_file(chunks::ChunkMode::write_file, file, form);
    int status = stream.status();
    if (status == chunks::ready) {
        status = stream.write_chunk(item.chunk_id(), static_cast<std::uint32_t>(data.size()),
                                    data.data());
    }
    const int closed = stream.close();
    if (status == chunks::ready) {
        status = closed;
    }
    if (status != chunks::ready) {
        return Error{"cannot write \"" + file.string() +
                     "\": " + chunks::chunk_status_text(status)};
    }
    return Status::success();
}

}  // namespace

bool envelope_from_chunk(const chunks::Chunk& chunk, scene::Envelope& envelope) {
    scene::Envelope read;
    if (!item_from_chunk(chunk, chunks::make_id("ENV0"), read) ||
        !keys_usable(read.keys, envelope_key_finite)) {
        return false;
    }
    envelope = std::move(read);
    return true;
}

bool path_from_chunk(const chunks::Chunk& chunk, scene::Path& path) {
    scene::Path read;
    if (!item_from_chunk(chunk, chunks::make_id("PTH0"), read) ||
        !keys_usable(read.keys, path_key_finite)) {
        return false;
    }
    path = std::move(read);
    return true;
}

ItemFileRead read_envelope_file(const std::filesystem::path& file, scene::Envelope& envelope) {
    return read_item_file(file, envelope_file_form, chunks::make_id("ENV0"), envelope,
                          envelope_from_chunk);
}

ItemFileRead read_path_file(const std::filesystem::path& file, scene::Path& path) {
    return read_item_file(file, path_file_form, chunks::make_id("PTH0"), path, path_from_chunk);
}

Status write_envelope_file(const std::filesystem::path& file, const scene::Envelope& envelope) {
    return write_item_file(file, envelope_file_form, envelope);
}

Status write_path_file(const std::filesystem::path& file, const scene::Path& path) {
    return write_item_file(file, path_file_form, path);
}

}  // namespace kdr
