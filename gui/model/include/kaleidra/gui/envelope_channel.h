#pragma once
// The values an envelope editor can be opened for: one channel per "E"
// button of the Options and Objects pages and the Objects page's morph
// envelope, each with its title, range, steps, how it is shown, and the
// link id and parameter number of the envelope that drives it.

#include <cstdint>
#include <optional>

#include "kaleidra/records/layout.h"

namespace kdr {
class Scene;
}

namespace kdr::gui {

struct EnvelopeChannel {
    const char* title = "";
    float minimum = 0;
    float maximum = 1;
    float step = 1;  // values from the mouse are whole multiples of it
    float grid = 1;  // a grid line every this much
    bool percent = false;
    std::int16_t link_id = 0;  // 0: a settings value; else the object whose morph it drives
    std::uint16_t parameter = 0;
    float current_value = 0;  // the value's level now (new envelopes start flat there)
};

// The channel of an Options page "E" button (1131 lighting, 1132 shadows,
// 1133 light direction, 1134 blur percent, 1135 blur count), or nothing.
std::optional<EnvelopeChannel> options_channel(int button_id, const EffectSettings& record);

// The channel of an Objects page "E" button (1121 luminosity, 1122 shine,
// 1123 transparency, 1125 direction, 1126 follows direction, 1127 trail
// count, 1128 trail spacing) for group o, or nothing.
std::optional<EnvelopeChannel> objects_channel(int button_id, int group,
                                               const EffectSettings& record);

// The morph channel of group o: the morph position (0 to the target count,
// steps of 0.1) of the first object of the effect that shows video o + 1
// and has morph targets; nothing when there is none.
std::optional<EnvelopeChannel> morph_channel(const Scene& effect, int group);

}  // namespace kdr::gui
