#include "kaleidra/render/mapped_videos.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/scene.h"

namespace kdr::render {

namespace {

int mapped_kind(std::uint16_t source_kind) {
    switch (source_kind) {
        case source_avi:
            return mapped_avi;
        case source_bitmap_sequence:
            return mapped_bitmap_sequence;
        case source_targa_sequence:
            return mapped_targa_sequence;
        default:
            return -1;
    }
}

}  // namespace

void load_mapped_videos(const EffectSettings& settings, FrameRecord& frame, MappedFiles& files) {
    if (frame_is_quiet(frame)) {
        return;
    }
    const Scene* user = settings_scene(settings);
    if (user == nullptr) {
        return;
    }
    const bool field_1 = (frame.flags & flag_field_parity_1) != 0;
    const bool field_0 = (frame.flags & flag_field_parity_0) != 0;
    if (files.size() < user->surfaces.size()) {
        files.resize(user->surfaces.size());
    }
    for (std::size_t i = 0; i < user->surfaces.size(); ++i) {
        const scene::Surface* surface = user->surfaces[i].get();
        const int kind = mapped_kind(surface->source_kind);
        if (kind < 0) {
            continue;
        }
        const std::uint16_t slot = surface->video_number;
        if (slot >= image_slot_count) {
            continue;
        }
        const float offset = surface->frame_offset_or_smoothing;
        const double first = std::isfinite(offset) ? std::trunc(double(offset)) : 0.0;
        double index = std::max(0.0, first + double(frame.position));
        if (field_1 || field_0) {
            index = std::floor(index / 2);
        }
        index = std::min(index, double(0x7fffffff));
        const std::string name(surface->name.data(),
                               std::find(surface->name.begin(), surface->name.end(), '\0'));
        if (name.empty()) {
            continue;
        }
        ImageRecord& image = frame.images[slot];
        if (!files[i].load(image, name, kind, static_cast<std::uint32_t>(index)).ok()) {
            continue;
        }
        if (field_1) {
            image_select_field(image, 1);
        } else if (field_0) {
            image_select_field(image, 0);
        }
        image_prepare_texture(image);
        frame.image_count = std::max<std::uint32_t>(frame.image_count, slot + 1u);
    }
}

}  // namespace kdr::render
