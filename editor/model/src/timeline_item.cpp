#include "kaleidra/editor/timeline_item.h"

#include <cstring>
#include <new>

#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::editor {

TimelineItem::TimelineItem() {
    if (!settings_initialise(m_settings)) {
        throw std::bad_alloc();
    }
    image_construct(m_image);
}

TimelineItem::~TimelineItem() {
    image_release_all(m_image);
    settings_destroy(m_settings);
}

bool TimelineItem::copy_from(const TimelineItem& other) {
    if (this == &other) {
        return true;
    }
    file_name = other.file_name;
    kind = other.kind;
    track = other.track;
    start = other.start;
    length = other.length;
    rate = other.rate;
    width = other.width;
    height = other.height;
    tracks_used = other.tracks_used;
    return settings_copy(m_settings, other.m_settings);
}

bool TimelineItem::contains(std::int64_t frame) const {
    return frame >= start && frame < end();
}

BitmapHeader bitmap_header(const TimelineItem& item) {
    BitmapHeader header;
    header.width = item.width;
    header.height = item.height;
    header.bit_count = item.image().bytes_per_pixel == 3 ? 24 : 32;
    header.image_size = item.image().size;
    return header;
}

std::string display_name(const TimelineItem& item) {
    if (!item.file_name.empty() || item.kind != ItemKind::effect) {
        return item.file_name;
    }
    const char* name = item.settings().name;
    return std::string(name, strnlen(name, effect_name_size));
}

const char* item_kind_name(ItemKind kind) {
    switch (kind) {
        case ItemKind::none:
            return "nothing";
        case ItemKind::effect:
            return "effect";
        case ItemKind::video:
            return "video clip";
        case ItemKind::bitmap:
            return "bitmap";
        case ItemKind::targa:
            return "Targa image";
    }
    return "unknown item";
}

}  // namespace kdr::editor
