#include "kaleidra/render/mapped_videos.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_sequence.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/scene.h"

namespace kdr::render {

namespace {

bool load_picture(ImageRecord& slot, std::uint16_t kind, const std::string& name,
                  std::uint32_t index) {
    switch (kind) {
        case source_bitmap_sequence:
            return load_sequence_frame(name, index, [&slot](const std::string& file) {
                return read_bmp_file(slot, file).ok();
            });
        case source_targa_sequence:
            return load_sequence_frame(name, index, [&slot](const std::string& file) {
                return read_targa_file(slot, file).ok();
            });
        default:
            // AVI files (kind 3) come through the video file services.
            return false;
    }
}

}  // namespace

void load_mapped_videos(const EffectSettings& settings, FrameRecord& frame) {
    if ((frame.quiet & 0xffff) != 0) {
        return;
    }
    const Scene* user = settings_scene(settings);
    if (user == nullptr) {
        return;
    }
    const bool field_1 = (frame.flags & flag_field_parity_1) != 0;
    const bool field_0 = (frame.flags & flag_field_parity_0) != 0;
    for (const auto& surface : user->surfaces) {
        const std::uint16_t kind = surface->source_kind;
        if (kind != source_avi && kind != source_bitmap_sequence && kind != source_targa_sequence) {
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
        if (!load_picture(image, kind, name, static_cast<std::uint32_t>(index))) {
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
