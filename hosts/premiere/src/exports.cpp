// Fx-Kdr30's entry point, xEffect, and its attach and detach: the
// transition's state is made when the host loads the library and freed
// when it unloads it (engine contexts first, then the engine). No
// exception leaves the library.

#include <cstdint>
#include <new>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/kdrgui.h"
#include "premiere_transition.h"

namespace {

kdr::premiere::PremiereTransition* transition = nullptr;

__attribute__((constructor)) void attach_library() {
    try {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        kdr::hostkit::install_plugin_message_boxes();
        transition = new kdr::premiere::PremiereTransition(&KDRGUI_Select);
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

extern "C" __attribute__((visibility("default"))) std::int32_t xEffect(
    std::int16_t selector, kdr::hostkit::PremiereEffectHandle effect) {
    if (transition == nullptr) {
        return 0;
    }
    try {
        return transition->call(selector, effect);
    } catch (...) {
        return 0;
    }
}
