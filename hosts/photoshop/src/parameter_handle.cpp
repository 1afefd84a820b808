#include "parameter_handle.h"

#include <cstring>

#include "kaleidra/hostkit/movable_memory.h"

namespace kdr::photoshop {
namespace {

constexpr std::size_t marker_size = sizeof hostkit::photoshop_parameter_marker;
constexpr std::size_t handle_block_size = sizeof(void*) + marker_size;
// A movable block's data lies this far behind the start of its block, which
// is its handle (movable_memory.h).
constexpr std::size_t movable_header_size = 16;

hostkit::MovableHandle movable_of(void* data) {
    return static_cast<std::uint8_t*>(data) - movable_header_size;
}

bool has_marker(hostkit::PsHandle handle) {
    return handle != nullptr &&
           std::memcmp(reinterpret_cast<const std::uint8_t*>(handle) + sizeof(void*),
                       hostkit::photoshop_parameter_marker, marker_size) == 0 &&
           hostkit::movable_size(movable_of(handle)) == handle_block_size;
}

}  // namespace

hostkit::PsHandle make_parameter_handle(std::span<const std::uint8_t> bytes,
                                        hostkit::MovableAllocator allocate) {
    if (allocate == nullptr) {
        return nullptr;
    }
    hostkit::MovableHandle outer = allocate(handle_block_size);
    hostkit::MovableHandle inner = allocate(bytes.empty() ? 1 : bytes.size());
    if (outer == nullptr || inner == nullptr) {
        hostkit::movable_free(outer);
        hostkit::movable_free(inner);
        return nullptr;
    }
    auto* handle_bytes = static_cast<std::uint8_t*>(hostkit::movable_lock(outer));
    void* data = hostkit::movable_lock(inner);
    if (!bytes.empty()) {
        std::memcpy(data, bytes.data(), bytes.size());
    }
    std::memcpy(handle_bytes, &data, sizeof data);
    std::memcpy(handle_bytes + sizeof data, hostkit::photoshop_parameter_marker, marker_size);
    return reinterpret_cast<hostkit::PsHandle>(handle_bytes);
}

std::optional<std::span<const std::uint8_t>> parameter_bytes(hostkit::PsHandle handle) {
    if (!has_marker(handle) || *handle == nullptr) {
        return std::nullopt;
    }
    const std::uint32_t size = hostkit::movable_size(movable_of(*handle));
    if (size == 0) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(*handle), size);
}

void dispose_parameter_handle(hostkit::PsHandle handle) {
    if (!has_marker(handle)) {
        return;
    }
    if (*handle != nullptr && hostkit::movable_size(movable_of(*handle)) != 0) {
        hostkit::movable_unlock(movable_of(*handle));
        hostkit::movable_free(movable_of(*handle));
    }
    hostkit::MovableHandle outer = movable_of(handle);
    hostkit::movable_unlock(outer);
    hostkit::movable_free(outer);
}

}  // namespace kdr::photoshop
