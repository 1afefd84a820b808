#pragma once
// The icon a Speed Razor plug-in hands over with its information record:
// its bitmap resource 101 (80 x 60 pixels, 24 bits) without the 40-byte
// header, copied into a movable block that the plug-in allocates and keeps
// locked until its next call.
//
// No state; any thread may call this.

#include <cstddef>
#include <cstdint>
#include <span>

#include "kaleidra/hostkit/movable_memory.h"

namespace kdr::hostkit {

using MovableAllocator = MovableHandle (*)(std::size_t size);

enum class IconOutcome {
    made,       // `block` holds the icon, locked at `pixels`
    none,       // the plug-in has no such bitmap: no icon, no message
    no_memory,  // the block could not be allocated
};

struct IconBlock {
    MovableHandle block = nullptr;
    const std::uint8_t* pixels = nullptr;
};

// From the plug-in's resource table (own_resources.h).
IconOutcome make_icon_block(std::span<const std::uint8_t> resource_table, MovableAllocator allocate,
                            IconBlock& icon);

// Unlocks and frees the block, leaving `icon` empty.
void release_icon_block(IconBlock& icon);

}  // namespace kdr::hostkit
