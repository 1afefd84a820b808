// PREMINFO of the simulated Premiere: the three services plug-ins bind by
// name (premiere_records.h), over handles of its own, and the controls the
// simulated host uses (simulated_premiere.h). Built as PREMINFO.so, the
// name plug-ins look for among the host's loaded libraries.

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace {

// A handle is the address of `data`, the first member.
struct Handle {
    char* data = nullptr;
    std::int32_t size = 0;
};

std::mutex handles_mutex;
std::set<Handle*>& handles() {
    static std::set<Handle*> all;
    return all;
}
std::atomic<int> calls_235{0};
std::atomic<int> calls_379{0};
std::atomic<int> calls_484{0};
std::atomic<int> failing{0};

Handle* known(char** pointer) {
    auto* handle = reinterpret_cast<Handle*>(pointer);
    std::lock_guard lock(handles_mutex);
    return handles().count(handle) != 0 ? handle : nullptr;
}

char** make_handle(std::int32_t size) {
    if (size < 0) {
        return nullptr;
    }
    auto* handle = new Handle;
    handle->data =
        static_cast<char*>(std::calloc(1, size > 0 ? static_cast<std::size_t>(size) : 1));
    handle->size = size;
    std::lock_guard lock(handles_mutex);
    handles().insert(handle);
    return &handle->data;
}

}  // namespace

#define KDR_SIM_EXPORT extern "C" __attribute__((visibility("default")))

KDR_SIM_EXPORT std::uintptr_t PREMINFO_MainWindow() {
    ++calls_235;
    return 0;
}

KDR_SIM_EXPORT char** PREMINFO_NewHandle(std::int32_t size) {
    ++calls_379;
    if (failing.load() != 0) {
        return nullptr;
    }
    return make_handle(size);
}

KDR_SIM_EXPORT std::int32_t PREMINFO_SetHandleSize(char** pointer, std::int32_t size) {
    ++calls_484;
    Handle* handle = known(pointer);
    if (handle == nullptr || size < 0 || failing.load() != 0) {
        return -1;
    }
    char* grown = static_cast<char*>(
        std::realloc(handle->data, size > 0 ? static_cast<std::size_t>(size) : 1));
    if (grown == nullptr) {
        return -1;
    }
    if (size > handle->size) {
        std::memset(grown + handle->size, 0, static_cast<std::size_t>(size - handle->size));
    }
    handle->data = grown;
    handle->size = size;
    return 0;
}

KDR_SIM_EXPORT std::int32_t SimPremiere_HandleSize(char** pointer) {
    Handle* handle = known(pointer);
    return handle != nullptr ? handle->size : -1;
}

KDR_SIM_EXPORT char** SimPremiere_HandleOf(const void* bytes, std::int32_t size) {
    char** handle = make_handle(size);
    if (handle != nullptr && size > 0) {
        std::memcpy(*handle, bytes, static_cast<std::size_t>(size));
    }
    return handle;
}

KDR_SIM_EXPORT void SimPremiere_DisposeHandle(char** pointer) {
    Handle* handle = known(pointer);
    if (handle == nullptr) {
        return;
    }
    {
        std::lock_guard lock(handles_mutex);
        handles().erase(handle);
    }
    std::free(handle->data);
    delete handle;
}

KDR_SIM_EXPORT std::int32_t SimPremiere_Calls(std::int32_t ordinal) {
    switch (ordinal) {
        case 235:
            return calls_235.load();
        case 379:
            return calls_379.load();
        case 484:
            return calls_484.load();
        default:
            return 0;
    }
}

KDR_SIM_EXPORT void SimPremiere_FailAllocations(std::int32_t fail) {
    failing = fail;
}

KDR_SIM_EXPORT void SimPremiere_Reset() {
    calls_235 = 0;
    calls_379 = 0;
    calls_484 = 0;
    failing = 0;
}
