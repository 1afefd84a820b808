#pragma once
// From a read description to an effect file (form "KDRE"): the scene's
// header chunks, its icon when it has one, then every item written by the
// scene library's own item writers, so the bytes are exactly what the
// effect loader reads.

#include <filesystem>
#include <string>

#include "kaleidra/effectc/description.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/scene/scene.h"

namespace kdr::effectc {

// Fills `scene` (emptied first) with the description's header values and
// items. Each object's keys become a path linked to it, its envelopes
// envelopes linked to it, and its morph targets hidden objects chained
// behind it; these are numbered from first_generated_id in that order.
// Morph target objects follow the described objects, so the first object
// stays the one described first.
void build_scene(const EffectSource& effect, Scene& scene);

// Writes the effect file: ENAM, DESC, ETYP, VCNT, VDSC (one per video),
// BEST, ALOW, IMG0 when the scene's preview image has pixels, then the
// items. Returns an empty string on success, else a message. The target is
// replaced only when everything was written.
std::string write_effect_file(const Scene& scene, const std::filesystem::path& file);

// Copies the effect file `source` to `target` with `icon` as its IMG0 chunk,
// placed after the header chunks (an IMG0 already there is dropped), every
// other chunk byte for byte. Returns an empty string on success.
std::string write_effect_with_icon(const std::filesystem::path& source, const ImageRecord& icon,
                                   const std::filesystem::path& target);

}  // namespace kdr::effectc
