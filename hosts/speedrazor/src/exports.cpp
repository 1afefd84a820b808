// Kdr30.tra's entry point, ENTRYPOINT, and its attach and detach: the
// transition's state is made when the host loads the library and freed
// when it unloads it. No exception leaves the library.

#include <cstdint>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/kdrgui.h"
#include "kaleidra/plugin_resources/own_resources.h"
#include "speedrazor_transition.h"

namespace {

kdr::speedrazor::SpeedRazorTransition* transition = nullptr;

__attribute__((constructor)) void attach_library() {
    try {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        kdr::hostkit::install_plugin_message_boxes();
        kdr::speedrazor::TransitionServices services;
        services.select = &KDRGUI_Select;
        services.about = &KDRGUI_About;
        services.resources = kdr::plugin_resources::own_resource_table();
        transition = new kdr::speedrazor::SpeedRazorTransition(services);
    } catch (...) {
        transition = nullptr;
    }
}

__attribute__((destructor)) void detach_library() {
    try {
        delete transition;
    } catch (...) {
    }
    transition = nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t ENTRYPOINT(void* /*unused*/,
                                                                          std::int32_t selector,
                                                                          void* record) {
    if (transition == nullptr) {
        return 0;
    }
    try {
        return transition->call(selector, record);
    } catch (...) {
        return 0;
    }
}
