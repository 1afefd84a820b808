// KdrMulti30's entry point, ENTRYPOINT, and its attach and detach. No
// exception leaves the library.

#include <cstdint>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/plugin_resources/own_resources.h"
#include "speedrazor_multisaver.h"

namespace {

kdr::multisaver::SpeedRazorMultisaver* filter = nullptr;

__attribute__((constructor)) void attach_library() {
    try {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        kdr::hostkit::install_plugin_message_boxes();
        kdr::multisaver::MultisaverServices services;
        services.resources = kdr::plugin_resources::own_resource_table();
        filter = new kdr::multisaver::SpeedRazorMultisaver(services);
    } catch (...) {
        filter = nullptr;
    }
}

__attribute__((destructor)) void detach_library() {
    delete filter;
    filter = nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t ENTRYPOINT(void* /*unused*/,
                                                                          std::int32_t selector,
                                                                          void* record) {
    if (filter == nullptr) {
        return 0;
    }
    try {
        return filter->call(selector, record);
    } catch (...) {
        return 0;
    }
}
