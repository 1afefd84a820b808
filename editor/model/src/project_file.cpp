#include "kaleidra/editor/project_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "kaleidra/chunks/chunk_id.h"
#include "kaleidra/editor/item_opening.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/scene/effect_settings.h"
#include "little_endian.h"

namespace kdr::editor {
namespace {

using chunks::ChunkId;
using chunks::make_id;
using detail::load_f32;
using detail::load_i32;
using detail::store_f32;
using detail::store_i32;

constexpr ChunkId form_kdrp = make_id("KDRP");
constexpr ChunkId id_setw = make_id("SETW");
constexpr ChunkId id_prvx = make_id("PRVX");
constexpr ChunkId id_outx = make_id("OUTX");
constexpr ChunkId id_zoom = make_id("ZOOM");
constexpr ChunkId id_vstr = make_id("VSTR");
constexpr ChunkId id_trck = make_id("TRCK");
constexpr ChunkId id_item = make_id("ITEM");

constexpr std::size_t name_field = 256;
constexpr std::size_t kind_at = 256;
constexpr std::size_t track_at = 260;
constexpr std::size_t start_at = 264;
constexpr std::size_t length_at = 268;
constexpr std::size_t rate_at = 272;
constexpr std::size_t width_at = 276;
constexpr std::size_t height_at = 280;

int write_word(chunks::ChunkStream& stream, ChunkId id, std::uint8_t (&bytes)[4]) {
    return stream.write_chunk(id, 4, bytes);
}

int write_block(chunks::ChunkStream& stream, ChunkId id, const std::vector<std::uint8_t>& block) {
    return stream.write_chunk(id, static_cast<std::uint32_t>(block.size()), block.data());
}

Status write_chunks(const Project& project, chunks::ChunkStream& stream) {
    const auto settings = encode_output_settings(project.output);
    stream.write_chunk(id_setw, static_cast<std::uint32_t>(settings.size()), settings.data());
    write_block(stream, id_prvx, project.output.preview_options.parameters);
    write_block(stream, id_outx, project.output.final_options.parameters);
    std::uint8_t word[4];
    store_f32(word, project.zoom);
    write_word(stream, id_zoom, word);
    store_i32(word, project.view_start);
    write_word(stream, id_vstr, word);
    store_i32(word, project.selected_track);
    write_word(stream, id_trck, word);
    for (const auto& item : project.items()) {
        const std::vector<std::uint8_t> data = encode_item(*item);
        if (data.empty()) {
            return Error{"out of memory storing the settings of " + display_name(*item)};
        }
        write_block(stream, id_item, data);
    }
    if (stream.status() != chunks::ready) {
        return Error{chunks::chunk_status_text(stream.status())};
    }
    return Status::success();
}

// Why the item's stored values cannot stand, or nothing when they can.
std::optional<std::string> check_stored_values(const TimelineItem& item) {
    switch (item.kind) {
        case ItemKind::effect:
            if (item.track != 0) {
                return "an effect on track " + std::to_string(item.track);
            }
            break;
        case ItemKind::video:
        case ItemKind::bitmap:
        case ItemKind::targa:
            if (item.track < 1) {
                return std::string("a ") + item_kind_name(item.kind) + " on track " +
                       std::to_string(item.track);
            }
            break;
        case ItemKind::none:
        default:
            return "kind " + std::to_string(static_cast<std::int32_t>(item.kind)) +
                   " is not an item kind";
    }
    if (item.start < 0 || item.length <= 0 || item.end() > max_project_frames) {
        return "start " + std::to_string(item.start) + " and length " +
               std::to_string(item.length) + " lie outside frames 0 .. " +
               std::to_string(max_project_frames);
    }
    return std::nullopt;
}

// Builds an item from an "ITEM" chunk; sets `name` for the message as soon
// as it is known.
Result<std::unique_ptr<TimelineItem>> decode_item(const chunks::Chunk& chunk, std::string& name) {
    const char* text = reinterpret_cast<const char*>(chunk.data);
    const std::size_t name_bytes = std::min<std::size_t>(chunk.length, name_field);
    const std::size_t name_length = strnlen(text, name_bytes);
    name.assign(text, std::min(name_length, max_item_name_size));
    if (chunk.length < item_chunk_header_size) {
        return Error{"the item's chunk holds " + std::to_string(chunk.length) +
                     " bytes, fewer than the " + std::to_string(item_chunk_header_size) +
                     " of an item"};
    }
    if (name_length == name_field) {
        return Error{"the item's file name has no end within its 256 bytes"};
    }
    auto item = std::make_unique<TimelineItem>();
    item->file_name = name;
    item->kind = static_cast<ItemKind>(load_i32(chunk.data + kind_at));
    item->track = load_i32(chunk.data + track_at);
    item->start = load_i32(chunk.data + start_at);
    item->length = load_i32(chunk.data + length_at);
    item->rate = load_i32(chunk.data + rate_at);
    item->width = load_i32(chunk.data + width_at);
    item->height = load_i32(chunk.data + height_at);
    if (std::optional<std::string> fault = check_stored_values(*item)) {
        return Error{*fault};
    }
    if (item->kind == ItemKind::effect) {
        if (!settings_from_block(item->settings(), chunk.data + item_chunk_header_size,
                                 chunk.length - item_chunk_header_size)) {
            return Error{"the effect's stored settings cannot be read"};
        }
        name = display_name(*item);
    }
    return item;
}

void report_refused(LoadReport& report, std::string name, std::string reason) {
    platform::show_message_box("Project Load Error",
                               "Could not find " + name + ". Item not loaded.",
                               platform::MessageKind::error);
    report.refused.push_back({std::move(name), std::move(reason)});
}

}  // namespace

ItemOpener item_opener_for(const std::filesystem::path& project_file) {
    std::filesystem::path base = project_file.parent_path();
    return [base](TimelineItem& item) { return open_item(item, base); };
}

std::vector<std::uint8_t> encode_item(const TimelineItem& item) {
    std::vector<std::uint8_t> block;
    if (item.kind == ItemKind::effect) {
        block = settings_to_block(item.settings());
        if (block.empty()) {
            return {};
        }
    }
    std::vector<std::uint8_t> data(item_chunk_header_size + block.size(), 0);
    std::memcpy(data.data(), item.file_name.data(),
                std::min(item.file_name.size(), max_item_name_size));
    store_i32(&data[kind_at], static_cast<std::int32_t>(item.kind));
    store_i32(&data[track_at], item.track);
    store_i32(&data[start_at], item.start);
    store_i32(&data[length_at], item.length);
    store_i32(&data[rate_at], item.rate);
    store_i32(&data[width_at], item.width);
    store_i32(&data[height_at], item.height);
    std::copy(block.begin(), block.end(), data.begin() + item_chunk_header_size);
    return data;
}

Status save_project(Project& project) {
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, project.file_name, form_kdrp);
    if (stream.status() != chunks::ready) {
        return Error{"cannot write \"" + project.file_name +
                     "\": " + chunks::chunk_status_text(stream.status())};
    }
    if (Status written = write_chunks(project, stream); !written) {
        (void)stream.close();
        return Error{"cannot write \"" + project.file_name + "\": " + written.error()};
    }
    if (const int closed = stream.close(); closed != chunks::ready) {
        return Error{"cannot write \"" + project.file_name +
                     "\": " + chunks::chunk_status_text(closed)};
    }
    project.modified = false;
    return Status::success();
}

Result<LoadReport> load_project(Project& project) {
    return load_project(project, item_opener_for(project.file_name));
}

Result<LoadReport> load_project(Project& project, const ItemOpener& open) {
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, project.file_name, form_kdrp);
    Result<LoadReport> report = load_project_chunks(project, stream, open);
    if (!report) {
        return Error{"cannot load \"" + project.file_name + "\": " + report.error()};
    }
    return report;
}

Result<LoadReport> load_project_chunks(Project& project, chunks::ChunkStream& stream,
                                       const ItemOpener& open) {
    LoadReport report;
    // The parameter blocks are applied after every chunk was read, so a
    // settings record stored after them cannot drop them.
    std::optional<std::vector<std::uint8_t>> preview_parameters;
    std::optional<std::vector<std::uint8_t>> final_parameters;
    auto parameters_of = [](const chunks::Chunk& chunk) {
        if (chunk.length > video::max_parameter_size) {
            return std::vector<std::uint8_t>();
        }
        return std::vector<std::uint8_t>(chunk.data, chunk.data + chunk.length);
    };
    chunks::Chunk chunk;
    while (stream.status() == chunks::ready && stream.read_chunk(chunk) == chunks::ready) {
        switch (chunk.id) {
            case id_setw:
                decode_output_settings(project.output, chunk.data, chunk.length);
                break;
            case id_prvx:
                preview_parameters = parameters_of(chunk);
                break;
            case id_outx:
                final_parameters = parameters_of(chunk);
                break;
            case id_zoom:
                if (chunk.length >= 4) {
                    project.zoom = load_f32(chunk.data);
                }
                break;
            case id_vstr:
                if (chunk.length >= 4) {
                    project.view_start = load_i32(chunk.data);
                }
                break;
            case id_trck:
                if (chunk.length >= 4) {
                    project.selected_track = load_i32(chunk.data);
                }
                break;
            case id_item: {
                std::string name;
                Result<std::unique_ptr<TimelineItem>> item = decode_item(chunk, name);
                if (!item) {
                    report_refused(report, name, item.error());
                    break;
                }
                if (Status opened = open(**item); !opened) {
                    report_refused(report, name, opened.error());
                    break;
                }
                project.add_item(std::move(*item));
                break;
            }
            default:
                break;
        }
    }
    if (preview_parameters) {
        set_parameters(project.output.preview_options, std::move(*preview_parameters));
    }
    if (final_parameters) {
        set_parameters(project.output.final_options, std::move(*final_parameters));
    }
    project.recompute();
    if (stream.status() != chunks::end_of_data) {
        return Error{chunks::chunk_status_text(stream.status())};
    }
    project.modified = false;
    return report;
}

}  // namespace kdr::editor
