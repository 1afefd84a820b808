#include "kaleidra/scene/video_roles.h"

namespace kdr {

bool videos_trade_places(std::uint32_t effect_type, float fly_direction) {
    return effect_type == 1 && fly_direction != 0;
}

std::uint32_t video_shown(std::uint32_t video_number, bool trade_places) {
    if (trade_places && (video_number == 1 || video_number == 2)) {
        return 3 - video_number;
    }
    return video_number;
}

}  // namespace kdr
