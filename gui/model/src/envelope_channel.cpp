#include "kaleidra/gui/envelope_channel.h"

#include "kaleidra/gui/option_values.h"
#include "kaleidra/scene/scene.h"

namespace kdr::gui {
namespace {

struct ChannelRow {
    int button_id;
    const char* title;
    float maximum;
    float grid;
    bool percent;
    int value;  // global value, or per-video value j
};

constexpr ChannelRow options_rows[] = {
    {1131, "Lighting Off/On Envelope", 1, 1, false, global_lighting},
    {1132, "Shadows Envelope", 100, 10, true, global_shadows},
    {1134, "Blur Percent Envelope", 100, 10, true, global_blur_percent},
    {1135, "Blur Count Envelope", 10, 1, false, global_blur_count},
    {1133, "Light Direction Envelope", 360, 45, false, global_light_direction},
};

constexpr ChannelRow objects_rows[] = {
    {1121, "Luminosity Envelope", 100, 10, true, video_luminosity},
    {1122, "Shine Envelope", 100, 10, true, video_shine},
    {1123, "Transparency Envelope", 100, 10, true, video_transparency},
    {1125, "Direction Envelope", 360, 45, false, video_direction},
    {1126, "Object Follows Direction Envelope", 1, 1, false, video_follows_direction},
    {1127, "Trail Count Envelope", 20, 1, false, video_trail_count},
    {1128, "Trail Spacing Envelope", 20, 1, false, video_trail_spacing},
};

EnvelopeChannel from_row(const ChannelRow& row, int parameter, float current) {
    EnvelopeChannel channel;
    channel.title = row.title;
    channel.minimum = 0;
    channel.maximum = row.maximum;
    channel.step = 1;
    channel.grid = row.grid;
    channel.percent = row.percent;
    channel.link_id = 0;
    channel.parameter = static_cast<std::uint16_t>(parameter);
    channel.current_value = current;
    return channel;
}

}  // namespace

std::optional<EnvelopeChannel> options_channel(int button_id, const EffectSettings& record) {
    for (const ChannelRow& row : options_rows) {
        if (row.button_id == button_id) {
            return from_row(row, row.value, record.globals[row.value]);
        }
    }
    return std::nullopt;
}

std::optional<EnvelopeChannel> objects_channel(int button_id, int group,
                                               const EffectSettings& record) {
    for (const ChannelRow& row : objects_rows) {
        if (row.button_id == button_id) {
            return from_row(row, video_parameter(group, row.value),
                            group_value(record, group, row.value));
        }
    }
    return std::nullopt;
}

std::optional<EnvelopeChannel> morph_channel(const Scene& effect, int group) {
    const scene::Object* object = morph_object(effect, group);
    if (object == nullptr) {
        return std::nullopt;
    }
    EnvelopeChannel channel;
    channel.title = "Object Morph Envelope";
    channel.minimum = 0;
    channel.maximum = static_cast<float>(object->morph_target_count);
    channel.step = 0.1f;
    channel.grid = 1;
    channel.percent = false;
    channel.link_id = static_cast<std::int16_t>(object->id);
    channel.parameter = 1;
    channel.current_value = 0;
    return channel;
}

}  // namespace kdr::gui
