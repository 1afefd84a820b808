#pragma once
// Operations on the effect settings record: the effect's name, its global and
// per-video values and the embedded scene with the user's own additions
// (video files mapped onto objects, edited paths and envelopes). The record
// is created, copied, compared and destroyed only through these.
//
// Stored form: a "KDRR" chunk container whose "RIN0" chunk holds record bytes
// 0..960, followed by the embedded scene's items.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/records/layout.h"

namespace kdr {

// Zeroes every byte of the record (name, padding, values) and constructs
// the embedded scene empty. False when memory runs out.
[[nodiscard]] bool settings_initialise(EffectSettings& settings);
void settings_destroy(EffectSettings& settings);
// Name, values and a deep copy of the scene.
[[nodiscard]] bool settings_copy(EffectSettings& target, const EffectSettings& source);
// Names as strings, the 30 global values, the 200 per-video values (by
// value), then the scenes. Padding is ignored.
bool settings_differ(const EffectSettings& a, const EffectSettings& b);

// Writes "RIN0" (961 bytes; the padding and the name's bytes after its end
// as zeros) and the scene's items. Nothing when the stream's status is not
// ready.
void settings_write(const EffectSettings& settings, chunks::ChunkStream& stream);
// Empties the scene, reads chunks while the status is ready ("RIN0" fills at
// most 964 bytes, a shorter one leaves the rest as it was; item and header
// chunks go to the scene), then links the scene and loads its textures. The
// name always ends inside its 41 bytes.
void settings_read(EffectSettings& settings, chunks::ChunkStream& stream);

// The stored "KDRR" memory block (empty when memory runs out), and reading
// one back. Reading fails, leaving the record untouched, when the block's
// form is not "KDRR"; it fails after reading what came before when the
// block is cut inside a chunk.
std::vector<std::uint8_t> settings_to_block(const EffectSettings& settings);
[[nodiscard]] bool settings_from_block(EffectSettings& settings, const void* block,
                                       std::size_t available);

// Parameter numbers: 0..21 are global values 0..21; (v + 1) * 100 + k with
// v < 20, k < 10 is value k of group v. Every other number is ignored.
inline constexpr int parameter_global_count = 22;
void settings_set_parameter(float (&globals)[global_value_count],
                            float (&video_values)[video_group_count][video_value_count], int number,
                            float value);
void settings_set_parameter(EffectSettings& settings, int number, float value);

}  // namespace kdr
