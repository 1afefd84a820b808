#include "scene_lines.h"

#include <cstdio>
#include <cstring>

#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"

namespace kdr::dump {
namespace {

using chunks::make_id;

std::string format(const char* pattern, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7f || ch == '"' || ch == '\\') {
            out += format("\\x%02x", byte);
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string text_field(const std::uint8_t* data, std::size_t length) {
    const auto* text = reinterpret_cast<const char*>(data);
    return std::string(text, strnlen(text, length));
}

std::uint32_t word(const std::uint8_t* data) {
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

std::string kind_details(const scene::SceneItem& item) {
    switch (item.kind()) {
        case scene::ItemKind::camera: {
            const auto& camera = static_cast<const scene::Camera&>(item);
            return format(
                "  field of view %s  near %s  far %s", number(camera.field_of_view).c_str(),
                number(camera.near_distance).c_str(), number(camera.far_distance).c_str());
        }
        case scene::ItemKind::light:
            return format("  light kind %u", static_cast<const scene::Light&>(item).light_kind);
        case scene::ItemKind::object: {
            const auto& object = static_cast<const scene::Object&>(item);
            std::string text = format("  vertices %zu  polygons %zu", object.vertices.size(),
                                      object.polygons.size());
            if (object.video_number != 0) {
                text += format("  video %u", object.video_number);
            }
            if (object.morph_target_count != 0) {
                text += format("  morph targets %u from %u at %s", object.morph_target_count,
                               object.next_morph_target_id, number(object.morph_position).c_str());
            }
            if (object.morph_target_flag != 0) {
                text += "  morph target";
            }
            if (object.casts_shadow()) {
                text += "  shadow";
            }
            return text;
        }
        case scene::ItemKind::surface: {
            const auto& surface = static_cast<const scene::Surface&>(item);
            static const char* const sources[] = {"colour", "video",           "texture",
                                                  "avi",    "bitmap sequence", "targa sequence"};
            std::string text =
                format("  source %s  video %u",
                       surface.source_kind < 6 ? sources[surface.source_kind] : "unknown",
                       surface.video_number);
            if (surface.name[0] != '\0') {
                text += "  name " + quoted(surface.name.data());
            }
            if (surface.smooths()) {
                text += "  smooth";
            }
            return text;
        }
        case scene::ItemKind::path:
            return format("  keys %zu", static_cast<const scene::Path&>(item).keys.size());
        case scene::ItemKind::envelope: {
            const auto& envelope = static_cast<const scene::Envelope&>(item);
            return format("  parameter %u  keys %zu", envelope.parameter, envelope.keys.size());
        }
        case scene::ItemKind::warp: {
            const auto& warp = static_cast<const scene::Warp&>(item);
            return format("  name %s  value %s  parameters %zu", quoted(warp.name.data()).c_str(),
                          number(warp.main_value).c_str(), warp.parameters.size());
        }
    }
    return {};
}

}  // namespace

const char* kind_name(scene::ItemKind kind) {
    static const char* const names[] = {"camera", "light",    "object", "surface",
                                        "path",   "envelope", "warp"};
    const int index = static_cast<int>(kind);
    return index >= 0 && index < scene::item_kind_count ? names[index] : "item";
}

std::string number(float value) {
    std::string text = format("%.4f", static_cast<double>(value));
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text == "-0" ? "0" : text;
}

std::string item_line(const scene::SceneItem& item) {
    return format("%-8s id %-5u link %-5d parent %-5d start %-6s end %-6s", kind_name(item.kind()),
                  item.id, item.link_id, item.parent_id, number(item.start).c_str(),
                  number(item.end).c_str()) +
           kind_details(item);
}

std::string motion_text(const MotionState& m) {
    return format("position (%s, %s, %s)  rotation (%s, %s, %s)  scale (%s, %s, %s)",
                  number(m.position[0]).c_str(), number(m.position[1]).c_str(),
                  number(m.position[2]).c_str(), number(m.pitch).c_str(), number(m.heading).c_str(),
                  number(m.bank).c_str(), number(m.scale[0]).c_str(), number(m.scale[1]).c_str(),
                  number(m.scale[2]).c_str());
}

const char* global_meaning(int g) {
    switch (g) {
        case global_fly_direction:
            return "fly direction";
        case global_render_style:
            return "render style";
        case global_render_quality:
            return "render quality";
        case global_image_quality:
            return "image quality";
        case global_antialias:
            return "antialiasing";
        case global_lighting:
            return "lighting";
        case global_shadows:
            return "shadows";
        case global_blur_percent:
            return "blur percent";
        case global_blur_count:
            return "blur count";
        case global_filter_placement:
            return "filter placement";
        case global_light_direction:
            return "light direction";
        case global_filter_frames:
            return "filter frame count";
        case global_filter_percent:
            return "filter percent";
        case global_filter_source:
            return "filter source";
        case global_transition_period:
            return "transition period";
        case global_filter_rotation_x:
            return "filter rotation x";
        case global_filter_rotation_y:
            return "filter rotation y";
        case global_filter_rotation_z:
            return "filter rotation z";
        case global_filter_distance:
            return "filter distance";
        default:
            return "reserved";
    }
}

const char* video_meaning(int k) {
    switch (k) {
        case video_shine:
            return "shine";
        case video_transparency:
            return "transparency";
        case video_luminosity:
            return "luminosity";
        case video_trail_count:
            return "trail count";
        case video_direction:
            return "direction";
        case video_follows_direction:
            return "follows direction";
        case video_trail_spacing:
            return "trail spacing";
        default:
            return "reserved";
    }
}

std::vector<std::string> value_lines(const float (&globals)[global_value_count],
                                     const float (&videos)[video_group_count][video_value_count]) {
    std::vector<std::string> lines;
    for (int g = 0; g < global_value_count; ++g) {
        if (globals[g] != 0) {
            lines.push_back(
                format("global %2d %-18s = %s", g, global_meaning(g), number(globals[g]).c_str()));
        }
    }
    for (int v = 0; v < video_group_count; ++v) {
        for (int k = 0; k < video_value_count; ++k) {
            if (videos[v][k] != 0) {
                lines.push_back(format("video %2d value %d %-17s = %s", v + 1, k, video_meaning(k),
                                       number(videos[v][k]).c_str()));
            }
        }
    }
    return lines;
}

bool is_item_chunk(chunks::ChunkId id) {
    switch (id) {
        case make_id("CAM0"):
        case make_id("LIT0"):
        case make_id("OBJ0"):
        case make_id("SRF0"):
        case make_id("PTH0"):
        case make_id("ENV0"):
        case make_id("WRP0"):
            return true;
        default:
            return false;
    }
}

std::vector<std::string> describe_scene_chunk(const chunks::Chunk& chunk,
                                              std::uint32_t& video_count) {
    if (is_item_chunk(chunk.id)) {
        Scene scratch;
        scratch.parse_chunk(chunk);
        for (int kind = 0; kind < scene::item_kind_count; ++kind) {
            if (const scene::SceneItem* item =
                    scratch.item(static_cast<scene::ItemKind>(kind), 0)) {
                return {item_line(*item)};
            }
        }
        return {"dropped: the chunk is too short or its counts do not fit its length"};
    }
    const std::uint8_t* data = chunk.data;
    const std::uint32_t length = chunk.length;
    switch (chunk.id) {
        case make_id("ENAM"):
            return {"name " + quoted(text_field(data, length))};
        case make_id("DESC"):
            return {"description " + quoted(text_field(data, length))};
        case make_id("ETYP"):
            return {length >= 4 ? format("type %u", word(data)) : "type: too short"};
        case make_id("VCNT"):
            if (length < 4) {
                return {"video count: too short"};
            }
            video_count = std::min(word(data), Scene::max_video_count);
            return {format("video count %u", word(data))};
        case make_id("VDSC"): {
            if (length < 4) {
                return {"video name: too short"};
            }
            const std::uint32_t index = word(data);
            return {format("video %u name ", index) + quoted(text_field(data + 4, length - 4)) +
                    (index < video_count ? "" : "  (ignored: beyond the video count)")};
        }
        case make_id("BEST"): {
            if (length < 4) {
                return {"best frame: too short"};
            }
            float best;
            std::memcpy(&best, data, 4);
            return {"best frame " + number(best) + " %"};
        }
        case make_id("ALOW"):
            return {length >= 4 ? format("allow 0x%08x%s", word(data),
                                         (word(data) & 1) != 0 ? " (listed in the catalogue)" : "")
                                : "allow: too short"};
        case make_id("IMG0"): {
            ImageRecord image;
            image_construct(image);
            std::string line;
            if (read_embedded_image(image, data, length)) {
                line = format("preview %ux%u  format %u  %u bytes per pixel  %u bytes", image.width,
                              image.height, image.format, image.bytes_per_pixel, image.size);
            } else {
                line = "preview: not a usable image";
            }
            image_release_all(image);
            return {line};
        }
        default:
            return {};
    }
}

}  // namespace kdr::dump
