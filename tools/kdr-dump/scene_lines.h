#pragma once
// Readable one-line descriptions of scene items, header chunks and settings
// values, shared by the effect and settings decoders and by --eval.

#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/scene/scene.h"

namespace kdr::dump {

const char* kind_name(scene::ItemKind kind);

// Kind, id, link, parent, start, end, then what the kind holds (key counts,
// vertex and polygon counts, names).
std::string item_line(const scene::SceneItem& item);

// Position, rotation and scale of a motion state.
std::string motion_text(const MotionState& motion);

// Fixed-point text of a float without trailing zeros ("0.5", "12", "nan").
std::string number(float value);

// The meaning of global value `g` and of per-video value `k` ("reserved"
// for those nothing reads).
const char* global_meaning(int g);
const char* video_meaning(int k);

// Lines for the non-zero global and per-video values, by meaning.
std::vector<std::string> value_lines(const float (&globals)[global_value_count],
                                     const float (&videos)[video_group_count][video_value_count]);

// Decodes one chunk of an effect or settings block: item chunks through
// the scene's own parser (one line, or why the item was dropped), header
// chunks by field. `video_count` follows VCNT so VDSC indices can be judged.
// Identifiers that are neither give no lines.
std::vector<std::string> describe_scene_chunk(const chunks::Chunk& chunk,
                                              std::uint32_t& video_count);

// True for the seven item chunk identifiers.
bool is_item_chunk(chunks::ChunkId id);

}  // namespace kdr::dump
