#include "kaleidra/platform/dynamic_library.h"

#include <dlfcn.h>

#include <utility>

namespace kdr::platform {

DynamicLibrary::~DynamicLibrary() {
    release();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        release();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

Result<DynamicLibrary> DynamicLibrary::open(const std::filesystem::path& file) {
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        return Error{"cannot load \"" + file.string() +
                     "\": " + (reason ? reason : "unknown error")};
    }
    return DynamicLibrary(handle);
}

void* DynamicLibrary::symbol(const char* name) const {
    if (m_handle == nullptr) {
        return nullptr;
    }
    return ::dlsym(m_handle, name);
}

void DynamicLibrary::release() {
    if (m_handle != nullptr) {
        ::dlclose(m_handle);
        m_handle = nullptr;
    }
}

}  // namespace kdr::platform
