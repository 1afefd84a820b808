#include "kaleidra/hostkit/movable_memory.h"

#include <cstdlib>
#include <cstring>

namespace kdr::hostkit {
namespace {

constexpr std::uint32_t block_mark = 0x564F4D4B;  // "KMOV" in memory
constexpr std::size_t header_size = 16;

struct Header {
    std::uint32_t size;
    std::uint32_t locks;
    std::uint32_t mark;
    std::uint32_t reserved;
};
static_assert(sizeof(Header) == header_size);

Header* header_of(MovableHandle handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    auto* header = static_cast<Header*>(handle);
    return header->mark == block_mark ? header : nullptr;
}

}  // namespace

MovableHandle movable_allocate(std::size_t size) {
    if (size == 0 || size > movable_block_limit) {
        return nullptr;
    }
    void* block = std::calloc(1, header_size + size);
    if (block == nullptr) {
        return nullptr;
    }
    auto* header = static_cast<Header*>(block);
    header->size = static_cast<std::uint32_t>(size);
    header->mark = block_mark;
    return block;
}

std::uint32_t movable_size(MovableHandle handle) {
    const Header* header = header_of(handle);
    return header != nullptr ? header->size : 0;
}

void* movable_lock(MovableHandle handle) {
    Header* header = header_of(handle);
    if (header == nullptr) {
        return nullptr;
    }
    ++header->locks;
    return reinterpret_cast<std::uint8_t*>(header) + header_size;
}

void movable_unlock(MovableHandle handle) {
    Header* header = header_of(handle);
    if (header != nullptr && header->locks > 0) {
        --header->locks;
    }
}

std::uint32_t movable_lock_count(MovableHandle handle) {
    const Header* header = header_of(handle);
    return header != nullptr ? header->locks : 0;
}

void movable_free(MovableHandle handle) {
    Header* header = header_of(handle);
    if (header == nullptr) {
        return;
    }
    // A freed block no longer passes the check, should a stale handle come
    // back.
    header->mark = 0;
    std::free(header);
}

}  // namespace kdr::hostkit
