#include "kaleidra/hostkit/speedrazor_icon.h"

#include <cstring>

#include "kaleidra/hostkit/speedrazor_records.h"
#include "kaleidra/plugin_resources/bitmap_resource.h"
#include "kaleidra/plugin_resources/resource_table.h"

namespace kdr::hostkit {

IconOutcome make_icon_block(std::span<const std::uint8_t> resource_table, MovableAllocator allocate,
                            IconBlock& icon) {
    icon = {};
    Result<std::vector<plugin_resources::PluginResource>> resources =
        plugin_resources::read_resource_table(resource_table);
    if (!resources) {
        return IconOutcome::none;
    }
    const plugin_resources::PluginResource* bitmap =
        plugin_resources::find_resource(*resources, "BITMAP", 101);
    if (bitmap == nullptr) {
        return IconOutcome::none;
    }
    // Only the size and depth the host shows: anything else would hand it
    // fewer bytes than it reads.
    Result<plugin_resources::BitmapShape> shape = plugin_resources::describe_bitmap(bitmap->data);
    if (!shape || shape->width != speedrazor_icon_width ||
        shape->height != speedrazor_icon_height || shape->bits != 24 ||
        shape->pixel_bytes != speedrazor_icon_bytes) {
        return IconOutcome::none;
    }
    MovableHandle block = allocate != nullptr ? allocate(speedrazor_icon_bytes) : nullptr;
    auto* pixels = static_cast<std::uint8_t*>(movable_lock(block));
    if (pixels == nullptr) {
        movable_free(block);
        return IconOutcome::no_memory;
    }
    std::memcpy(pixels, bitmap->data.data() + plugin_resources::bitmap_header_size,
                speedrazor_icon_bytes);
    icon.block = block;
    icon.pixels = pixels;
    return IconOutcome::made;
}

void release_icon_block(IconBlock& icon) {
    if (icon.block != nullptr) {
        movable_unlock(icon.block);
        movable_free(icon.block);
    }
    icon = {};
}

}  // namespace kdr::hostkit
