#include "kaleidra/gui/catalogue_file.h"

#include <string_view>

#include "kaleidra/install/install_paths.h"

namespace kdr::gui {
namespace {

constexpr chunks::ChunkId chunk_group = chunks::make_id("OGRP");
constexpr chunks::ChunkId chunk_item = chunks::make_id("OITM");

std::string_view chunk_text(const chunks::Chunk& chunk) {
    return {reinterpret_cast<const char*>(chunk.data), chunk.length};
}

template <class Put>
void put_catalogue(const Catalogue& catalogue, Put put) {
    for (const CatalogueGroup& group : catalogue.groups()) {
        put(chunk_group, group.name);
        for (const std::string& item : group.items) {
            put(chunk_item, item);
        }
    }
}

}  // namespace

bool read_catalogue(Catalogue& catalogue, chunks::ChunkStream& stream) {
    catalogue.clear();
    chunks::Chunk chunk;
    while (stream.status() == chunks::ready && stream.read_chunk(chunk) == chunks::ready) {
        if (chunk.id == chunk_group) {
            catalogue.add_group(chunk_text(chunk));
        } else if (chunk.id == chunk_item) {
            (void)catalogue.add_item(chunk_text(chunk));
        }
    }
    return stream.status() == chunks::end_of_data;
}

bool read_catalogue(Catalogue& catalogue, const std::filesystem::path& file) {
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, file, catalogue_form);
    return read_catalogue(catalogue, stream);
}

Status write_catalogue(const Catalogue& catalogue, const std::filesystem::path& file) {
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file, catalogue_form);
    put_catalogue(catalogue, [&](chunks::ChunkId id, const std::string& text) {
        stream.write_chunk(id, static_cast<std::uint32_t>(text.size() + 1), text.c_str());
    });
    const int written = stream.status();
    const int closed = stream.close();
    if (written != chunks::ready || closed != chunks::ready) {
        return Error{"cannot write the catalogue \"" + file.string() + "\": " +
                     chunks::chunk_status_text(written != chunks::ready ? written : closed)};
    }
    return Status::success();
}

std::vector<std::uint8_t> catalogue_to_block(const Catalogue& catalogue) {
    chunks::ChunkStream stream = chunks::ChunkStream::open_memory_writer(catalogue_form);
    put_catalogue(catalogue, [&](chunks::ChunkId id, const std::string& text) {
        stream.write_chunk(id, static_cast<std::uint32_t>(text.size() + 1), text.c_str());
    });
    if (stream.status() != chunks::ready) {
        return {};
    }
    return stream.copy_block();
}

std::optional<std::filesystem::path> master_list_path() {
    return install::build_path(install::folder_effects, "Master", "lst");
}

std::optional<std::filesystem::path> catalogue_path(const char* name) {
    return install::build_path("orgs", name, "org");
}

}  // namespace kdr::gui
