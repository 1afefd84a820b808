// Kdr30.8bf's entry point, ENTRYPOINT, and its attach and detach: attach
// sets the package's registry key and makes the filter's state (the engine
// is loaded per run, not here); detach frees it. No exception leaves the
// library.

#include <cstdint>
#include <new>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/kdrgui.h"
#include "kaleidra/plugin_resources/own_resources.h"
#include "photoshop_filter.h"

namespace {

kdr::photoshop::PhotoshopFilter* filter = nullptr;

__attribute__((constructor)) void attach_library() {
    try {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        kdr::hostkit::install_plugin_message_boxes();
        kdr::photoshop::FilterServices services;
        services.select = &KDRGUI_Select;
        services.about = &KDRGUI_About;
        services.resources = kdr::plugin_resources::own_resource_table();
        filter = new kdr::photoshop::PhotoshopFilter(services);
    } catch (...) {
        filter = nullptr;
    }
}

__attribute__((destructor)) void detach_library() {
    try {
        delete filter;
    } catch (...) {
    }
    filter = nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void ENTRYPOINT(std::int16_t selector,
                                                                  void* record, std::intptr_t* data,
                                                                  std::int16_t* result) {
    if (filter == nullptr) {
        if (result != nullptr) {
            *result = 1;
        }
        return;
    }
    try {
        filter->call(selector, record, data, result);
    } catch (...) {
        if (result != nullptr) {
            *result = 1;
        }
    }
}
