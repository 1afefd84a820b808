#pragma once
// The filter's parameter handles, which it makes itself: the handle is the
// locked data of a zero-filled movable block (movable_memory.h) holding
// the locked address of a second zero-filled movable block with the
// settings, followed by the marker "OTOF" (8 bytes on 32-bit builds, 12 on
// x86-64). Disposing of one unlocks and frees both blocks.
//
// A handle the filter did not make (no marker, or blocks that are not
// movable blocks) is neither read nor freed. No state; one handle is used
// by one thread at a time.

#include <cstdint>
#include <optional>
#include <span>

#include "kaleidra/hostkit/movable_memory.h"
#include "kaleidra/hostkit/photoshop_records.h"
#include "kaleidra/hostkit/speedrazor_icon.h"

namespace kdr::photoshop {

// A handle holding a copy of `bytes`, its blocks from `allocate`; null when
// memory runs out.
hostkit::PsHandle make_parameter_handle(
    std::span<const std::uint8_t> bytes,
    hostkit::MovableAllocator allocate = hostkit::movable_allocate);

// The bytes a handle of the filter's own holds; nothing for any other.
std::optional<std::span<const std::uint8_t>> parameter_bytes(hostkit::PsHandle handle);

// Frees a handle of the filter's own; ignores null and any other.
void dispose_parameter_handle(hostkit::PsHandle handle);

}  // namespace kdr::photoshop
