#pragma once
// A heap block of pixels from calloc, released with free: the allocator of
// image records, so a decoded picture can be handed to a record (which then
// owns it) without copying.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kdr {

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};

using PixelBuffer = std::unique_ptr<std::uint8_t[], FreeDeleter>;

// A zero-filled block of `size` bytes, or null when memory runs out or the
// size is 0.
inline PixelBuffer allocate_pixels(std::size_t size) {
    if (size == 0) {
        return nullptr;
    }
    return PixelBuffer(static_cast<std::uint8_t*>(std::calloc(size, 1)));
}

}  // namespace kdr
