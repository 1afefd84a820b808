#pragma once
// Video files the user mapped onto an effect's videos: the surfaces of the
// settings record's own scene whose source is an AVI file, a numbered bitmap
// sequence or a numbered Targa sequence. Each frame the picture for the
// frame's position is loaded into the image slot the mapping names, which
// then shows it in place of the host's video.

#include <vector>

#include "kaleidra/images/mapped_video.h"
#include "kaleidra/records/layout.h"

namespace kdr::render {

// The open files of one render context's mappings, one per surface of the
// settings record's scene (an AVI stays open from frame to frame).
using MappedFiles = std::vector<MappedVideo>;

// Loads every mapping's picture for this frame (nothing for quiet frames):
// slot = the mapping's 0-based slot, frame index = max(0, its frame offset +
// the frame's position), halved for field frames, whose field is then
// selected; prepares the slot's texture size and raises the frame's slot
// count to include it. A picture that cannot be loaded leaves its slot as it
// was.
void load_mapped_videos(const EffectSettings& settings, FrameRecord& frame, MappedFiles& files);

}  // namespace kdr::render
