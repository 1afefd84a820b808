#include "kaleidra/editor/item_opening.h"

#include <algorithm>
#include <cstdint>

#include "kaleidra/chunks/chunk_id.h"
#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/mapped_video.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/platform/folder_case.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/video/avi_reader.h"

namespace kdr::editor {
namespace {

std::int32_t clamp_to_int(std::uint64_t value) {
    return static_cast<std::int32_t>(std::min<std::uint64_t>(value, INT32_MAX));
}

void take_size_of_image(TimelineItem& item) {
    item.width = clamp_to_int(item.image().width);
    item.height = clamp_to_int(item.image().height);
}

void open_effect(TimelineItem& item) {
    item.tracks_used = 0;
    item.effect_type = 0;
    image_release_all(item.image());
    Scene scene;
    // The header values and the thumbnail come before the scene's items, so
    // reading stops at the thumbnail.
    if (scene.load(item.settings().name, chunks::make_id("IMG0"))) {
        item.tracks_used = clamp_to_int(scene.video_names.size());
        item.effect_type = clamp_to_int(scene.type);
        if (image_has_pixels(scene.preview) && !image_deep_copy(item.image(), scene.preview)) {
            image_release_all(item.image());
        }
    }
    take_size_of_image(item);
}

Status open_clip(TimelineItem& item, const std::filesystem::path& file) {
    {
        Result<video::AviReader> reader = video::AviReader::open(file);
        if (!reader) {
            return Error{reader.error()};
        }
        if (reader->length() == 0) {
            return Error{"\"" + file.string() + "\" holds no video frames"};
        }
        item.clip_frames = clamp_to_int(reader->length());
        item.rate = clamp_to_int(reader->rate());
    }
    if (item.length == 0) {
        item.length = item.clip_frames;
    }
    Status status = load_mapped_video_frame(item.image(), file.string(), mapped_avi, 0);
    if (!status) {
        return status;
    }
    take_size_of_image(item);
    return Status::success();
}

Status open_picture(TimelineItem& item, const std::filesystem::path& file,
                    Status (*read)(ImageRecord&, const std::filesystem::path&)) {
    Status status = read(item.image(), file);
    if (!status) {
        return status;
    }
    take_size_of_image(item);
    return Status::success();
}

}  // namespace

std::filesystem::path item_path(const std::string& name, const std::filesystem::path& base) {
    const std::filesystem::path path(name);
    if (path.is_absolute() || base.empty()) {
        return path;
    }
    return platform::resolve_below(base, path);
}

Status open_item(TimelineItem& item, const std::filesystem::path& base) {
    switch (item.kind) {
        case ItemKind::effect:
            open_effect(item);
            return Status::success();
        case ItemKind::video:
            return open_clip(item, item_path(item.file_name, base));
        case ItemKind::bitmap:
            return open_picture(item, item_path(item.file_name, base), &read_bmp_file);
        case ItemKind::targa:
            return open_picture(item, item_path(item.file_name, base), &read_targa_file);
        case ItemKind::none:
            break;
    }
    return Error{"an item of kind " + std::to_string(static_cast<std::int32_t>(item.kind)) +
                 " cannot be opened"};
}

}  // namespace kdr::editor
