#pragma once
// A shared library loaded at run time (engines, adapters' plug-in hosts).
// Owns the handle: the library is released when the object dies. Symbols
// looked up from it must not be used after that.

#include <filesystem>
#include <string>

#include "kaleidra/platform/result.h"

namespace kdr::platform {

class DynamicLibrary {
  public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library with its symbols kept local, so two engines never
    // see each other's internals.
    static Result<DynamicLibrary> open(const std::filesystem::path& file);

    bool loaded() const { return m_handle != nullptr; }
    // The address of an exported symbol, or null when it is missing.
    void* symbol(const char* name) const;
    void release();

    // The file suffix of shared libraries on this platform (".so").
    static const char* suffix() { return "so"; }

  private:
    explicit DynamicLibrary(void* handle) : m_handle(handle) {}
    void* m_handle = nullptr;
};

}  // namespace kdr::platform
