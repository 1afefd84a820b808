// Effect files ("KDRE") and writing a scene's items as chunks.
#include <optional>

#include "kaleidra/install/install_paths.h"
#include "kaleidra/scene/scene.h"

namespace kdr {
namespace {

constexpr chunks::ChunkId form_kdre = chunks::make_id("KDRE");

template <class Item>
bool write_list(const std::vector<std::unique_ptr<Item>>& list, chunks::ChunkStream& stream) {
    for (const auto& item : list) {
        const std::vector<std::uint8_t> data = item->write_chunk();
        if (stream.write_chunk(item->chunk_id(), static_cast<std::uint32_t>(data.size()),
                               data.data()) != chunks::ready) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool Scene::load(const char* effect_name, chunks::ChunkId stop) {
    std::optional<std::filesystem::path> file =
        effect_name != nullptr ? install::build_path(install::folder_effects, effect_name, "KDR")
                               : std::nullopt;
    if (!file) {
        clear();
        return false;
    }
    return load_file(*file, stop);
}

bool Scene::load_file(const std::filesystem::path& file, chunks::ChunkId stop) {
    clear();
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, file, form_kdre);
    chunks::Chunk chunk;
    while (stream.status() == chunks::ready && stream.read_chunk(chunk) == chunks::ready) {
        parse_chunk(chunk);
        if (stop != 0 && chunk.id == stop) {
            break;
        }
    }
    const int status = stream.status();
    if (status != chunks::ready && status != chunks::end_of_data) {
        // A missing, foreign or cut file leaves nothing half-read behind.
        clear();
        return false;
    }
    link();
    load_textures();
    return true;
}

void Scene::write_items(chunks::ChunkStream& stream) const {
    if (stream.status() != chunks::ready) {
        return;
    }
    // The first failed write stops the rest; the stream keeps it in its
    // status, which the caller reads when it closes the stream.
    (void)(write_list(cameras, stream) && write_list(lights, stream) &&
           write_list(objects, stream) && write_list(surfaces, stream) &&
           write_list(paths, stream) && write_list(envelopes, stream) && write_list(warps, stream));
}

}  // namespace kdr
