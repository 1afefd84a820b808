#pragma once
// The settings a host keeps for a plug-in: the memory block of form "KDRR"
// (a 32-bit total size, the form, the chunks) that the plug-in wrote into
// the host's handle. Reading is careful with what the host gives back: the
// block's own size word is believed only up to what the caller knows the
// handle holds and up to a limit, and a block of another form is not read.
//
// No state; any thread may call these.

#include <cstddef>
#include <cstdint>

#include "kaleidra/records/layout.h"

namespace kdr::hostkit {

// Stored settings larger than this are taken for damaged blocks.
inline constexpr std::size_t max_stored_settings = 64u * 1024 * 1024;

// Replaces `settings` with the stored block's when the block opens as form
// "KDRR" within `available` bytes (the settings then hold what it holds up
// to a cut, as a reader of the stored form does). False, `settings` as they
// were, when the block is missing, of another form, or memory runs out.
[[nodiscard]] bool load_stored_settings(EffectSettings& settings, const void* block,
                                        std::size_t available);

}  // namespace kdr::hostkit
