#include "kaleidra/records/frame_record.h"

#include <cstring>

#include "kaleidra/records/image_record.h"

namespace kdr {

void frame_construct(FrameRecord& frame) {
    std::memset(&frame, 0, sizeof frame);
    for (ImageRecord& image : frame.images) {
        image_construct(image);
    }
    image_construct(frame.output);
}

void frame_copy(FrameRecord& target, const FrameRecord& source) {
    if (&target == &source) {
        return;
    }
    target.width = source.width;
    target.height = source.height;
    target.image_count = source.image_count;
    for (int i = 0; i < image_slot_count; ++i) {
        image_shallow_copy(target.images[i], source.images[i]);
    }
    image_shallow_copy(target.output, source.output);
    target.position = source.position;
    target.total = source.total;
    target.progress = source.progress;
    target.abort = source.abort;
    target.completion = source.completion;
    target.aspect = source.aspect;
    std::memcpy(target.background, source.background, sizeof target.background);
    target.quiet = source.quiet;
    target.engine_scratch = source.engine_scratch;
    target.flags = source.flags;
    target.highlighted_id = source.highlighted_id;
    target.device_context = source.device_context;
}

void frame_release_images(FrameRecord& frame) {
    for (ImageRecord& image : frame.images) {
        image_free(image);
    }
    image_free(frame.output);
}

void frame_set_aspect(FrameRecord& frame) {
    frame.aspect = frame.height != 0
                       ? static_cast<float>(frame.width) / static_cast<float>(frame.height)
                       : 0.0f;
}

bool frame_is_quiet(const FrameRecord& frame) {
    return (frame.quiet & 0xffffu) != 0;
}

bool is_quiet_size(std::uint32_t width, std::uint32_t height) {
    return width < quiet_width_limit && height < quiet_height_limit;
}

float completion_at(double position, double total, bool fly_on, float transition_percent) {
    const float a = static_cast<float>(position / total);
    const float period = transition_percent * 0.01f;
    float c;
    if (!fly_on) {
        c = a;
        if (period > 0) {
            c = a > 1 - period ? (a - (1 - period)) / period : 0.0f;
        }
    } else {
        c = 1 - a;
        if (period > 0) {
            c = a < period ? 1 - a / period : 0.0f;
        }
    }
    if (!(c >= 0)) {
        return 0.0f;
    }
    return c > 1 ? 1.0f : c;
}

float frame_completion(const FrameRecord& frame, const EffectSettings& settings) {
    return completion_at(frame.position, frame.total, settings.globals[global_fly_direction] != 0,
                         settings.globals[global_transition_period]);
}

}  // namespace kdr
