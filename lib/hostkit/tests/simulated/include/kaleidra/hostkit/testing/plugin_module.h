#pragma once
// A plug-in module loaded as a host loads it: by its file, with dlopen, its
// entry points found by name. Closing it runs the plug-in's detach work.

#include <dlfcn.h>

#include <filesystem>
#include <string>

namespace kdr::hostkit::test {

class PluginModule {
  public:
    explicit PluginModule(const std::filesystem::path& file)
        : m_handle(::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (m_handle == nullptr) {
            const char* why = ::dlerror();
            m_error = why != nullptr ? why : "dlopen failed";
        }
    }
    ~PluginModule() { close(); }
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool loaded() const { return m_handle != nullptr; }
    const std::string& error() const { return m_error; }

    template <class Function>
    Function entry(const char* name) const {
        return m_handle != nullptr ? reinterpret_cast<Function>(::dlsym(m_handle, name)) : nullptr;
    }

    // Unloads the plug-in (its detach work runs now).
    void close() {
        if (m_handle != nullptr) {
            ::dlclose(m_handle);
            m_handle = nullptr;
        }
    }

  private:
    void* m_handle = nullptr;
    std::string m_error;
};

}  // namespace kdr::hostkit::test
