#pragma once
// Movable memory blocks, as Speed Razor and its plug-ins pass them to each
// other (stored settings, the texts and icon of the information record):
// one side allocates a block and hands over its handle, the other reads
// its size and locks it to reach the bytes. Either side may free it.
//
// On this platform a handle is the address of a 16-byte header, made with
// the C library's allocator (so whoever frees it, host or plug-in, frees it
// with the same allocator):
//
//   offset 0  u32  size of the data in bytes
//   offset 4  u32  lock count
//   offset 8  u32  the word "KMOV" (checked before every use)
//   offset 12 u32  reserved, 0
//   offset 16      the data
//
// Locking returns the data's address, which stays valid until the block is
// freed (blocks never move here); unlocking only counts down. A null or
// foreign handle gives size 0 and a null address. Not thread-safe: one
// block is used by one thread at a time.

#include <cstddef>
#include <cstdint>

namespace kdr::hostkit {

using MovableHandle = void*;

inline constexpr std::uint32_t movable_block_limit = 256u * 1024u * 1024u;

// A block of `size` bytes (1 to the limit), zero-filled; null when memory
// runs out or the size is out of range.
MovableHandle movable_allocate(std::size_t size);
std::uint32_t movable_size(MovableHandle handle);
void* movable_lock(MovableHandle handle);
void movable_unlock(MovableHandle handle);
std::uint32_t movable_lock_count(MovableHandle handle);
// Frees the block; null is ignored.
void movable_free(MovableHandle handle);

}  // namespace kdr::hostkit
