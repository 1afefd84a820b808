#pragma once
// The record work behind the Options, Objects and Filter Options pages,
// without widgets: parameter numbers, the user's envelopes of settings
// values (the "E" markers), exchanging the first two videos when a
// two-video transition changes its fly direction, and the user's video
// mappings (surfaces of the embedded scene whose id is the group + 1).
// Everything edits the record in place; GUI thread.

#include <cstdint>
#include <string>

#include "kaleidra/records/layout.h"
#include "kaleidra/scene/items.h"

namespace kdr {
class Scene;
}

namespace kdr::gui {

// Global value k is parameter k; value j of group o is (o + 1) x 100 + j.
constexpr int video_parameter(int group, int value) {
    return (group + 1) * 100 + value;
}

// The record's own envelope with link id 0 and `parameter`, or null.
scene::Envelope* settings_envelope(const EffectSettings& record, int parameter);

// Value j of group o, 0 for groups beyond the 20 the record holds.
float group_value(const EffectSettings& record, int group, int value);
// Sets value j of group o; nothing for groups beyond the 20.
void set_group_value(EffectSettings& record, int group, int value, float number);

// Flying the other way round, videos 1 and 2 of a two-video transition
// trade roles: the ten values of group 0 and group 1 change places, and
// every envelope of a settings value (link id 0) that drives a value of
// video 1 (parameters 100..199) drives video 2's (+100), and the other way
// round.
void exchange_first_two_videos(EffectSettings& record);

// Whether the Options page exchanges the videos when the fly direction
// changes from `stored` to `chosen`: the effect is a two-video transition
// (type 1) and "Eff_Autoreverse" is on.
bool fly_change_exchanges(float stored, int chosen, std::uint32_t effect_type, bool loaded,
                          std::uint32_t autoreverse);

// Source kinds of the mapping list (entry 0: no mapping of the user's).
inline constexpr int mapping_entry_count = 4;
constexpr std::uint16_t mapping_kind(int entry) {
    return static_cast<std::uint16_t>(entry + 2);
}

// The user's mapping of video group + 1, or null.
scene::Surface* find_mapping(const EffectSettings& record, int group);

// What the page stores for one group's mapping.
struct MappingInput {
    int entry = 0;          // 0 none, 1 AVI, 2 BMP sequence, 3 TGA sequence
    std::string file_name;  // the text shown as the mapped file
    int frame_offset = 0;
};

enum class MappingStore {
    removed,       // entry 0: the mapping (if any) is gone
    stored,        // the mapping holds the input
    name_cleared,  // stored, but its kind changed, so the file name was emptied
    no_memory,     // the mapping could not be made; nothing stored
};

// Entry 0 removes the group's mapping. Entries 1 to 3 make it when there is
// none (id group + 1, link and parent 0, start 0, end 1), empty the file
// name when its kind changes, and set kind entry + 2, video number group
// (the image slot the file fills), the file name (cut to 255 characters)
// and the frame offset. The scene is linked again afterwards.
MappingStore store_mapping(EffectSettings& record, int group, const MappingInput& input);

// The morph channel of group o: the first object of the effect showing
// video o + 1 that has morph targets, or null.
const scene::Object* morph_object(const Scene& effect, int group);

}  // namespace kdr::gui
