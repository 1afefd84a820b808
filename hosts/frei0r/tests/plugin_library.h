#pragma once
// The built plug-in loaded the way a frei0r host loads it: dlopen by file
// name and every entry point looked up by name, with small helpers for the
// calls the tests repeat.

extern "C" {
#include <frei0r.h>
}

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kdr::frei0r::test {

class PluginLibrary {
  public:
    explicit PluginLibrary(const char* file) : m_handle(::dlopen(file, RTLD_NOW | RTLD_LOCAL)) {
        if (m_handle == nullptr) {
            m_error = ::dlerror();
            return;
        }
        bind(init, "f0r_init");
        bind(deinit, "f0r_deinit");
        bind(plugin_info, "f0r_get_plugin_info");
        bind(param_info, "f0r_get_param_info");
        bind(construct, "f0r_construct");
        bind(destruct, "f0r_destruct");
        bind(set_param, "f0r_set_param_value");
        bind(get_param, "f0r_get_param_value");
        bind(update, "f0r_update");
        bind(update2, "f0r_update2");
    }
    ~PluginLibrary() {
        if (m_handle != nullptr) {
            ::dlclose(m_handle);
        }
    }
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return m_handle != nullptr && m_error.empty(); }
    const std::string& error() const { return m_error; }

    void set_number(f0r_instance_t instance, int index, double value) const {
        set_param(instance, &value, index);
    }
    void set_text(f0r_instance_t instance, int index, const std::string& text) const {
        const char* pointer = text.c_str();
        set_param(instance, &pointer, index);
    }

    int (*init)() = nullptr;
    void (*deinit)() = nullptr;
    void (*plugin_info)(f0r_plugin_info_t*) = nullptr;
    void (*param_info)(f0r_param_info_t*, int) = nullptr;
    f0r_instance_t (*construct)(unsigned, unsigned) = nullptr;
    void (*destruct)(f0r_instance_t) = nullptr;
    void (*set_param)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*get_param)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*update)(f0r_instance_t, double, const std::uint32_t*, std::uint32_t*) = nullptr;
    void (*update2)(f0r_instance_t, double, const std::uint32_t*, const std::uint32_t*,
                    const std::uint32_t*, std::uint32_t*) = nullptr;

  private:
    template <class F>
    void bind(F& function, const char* name) {
        function = reinterpret_cast<F>(::dlsym(m_handle, name));
        if (function == nullptr) {
            m_error += std::string("missing ") + name + "; ";
        }
    }

    void* m_handle = nullptr;
    std::string m_error;
};

// A host picture: 32-bit pixels, red in the lowest byte, top row first.
struct HostPicture {
    HostPicture(unsigned w, unsigned h, std::uint32_t fill = 0)
        : width(w), height(h), pixels(std::size_t{w} * h, fill) {}
    std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(pixels.data()); }
    unsigned width;
    unsigned height;
    std::vector<std::uint32_t> pixels;
};

}  // namespace kdr::frei0r::test
