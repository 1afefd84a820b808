// Kdr5_30's entry points for the newer vxDLL interface, and its attach and
// detach: the transition's state is made when the host loads the library
// and freed when it unloads it. No exception leaves the library.

#include <cstdint>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/kdrgui.h"
#include "vx_transitions.h"

namespace {

using kdr::hostkit::VxEffectInfo;
using kdr::vxdll::NewerTransition;

NewerTransition* transition = nullptr;

__attribute__((constructor)) void attach_library() {
    try {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        kdr::hostkit::install_plugin_message_boxes();
        transition = new NewerTransition(&KDRGUI_Select);
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

// Without a record: 1, nothing filled.
extern "C" __attribute__((visibility("default"))) std::int32_t vxDLLGetEffInfo(VxEffectInfo* info) {
    if (info != nullptr) {
        NewerTransition::fill_info(*info);
    }
    return 1;
}

extern "C" __attribute__((visibility("default"))) std::int32_t vxDLLGetDefault(
    std::int32_t* value) {
    if (value != nullptr) {
        *value = 0;
    }
    return 1;
}

extern "C" __attribute__((visibility("default"))) std::int32_t vxDLLApplyEffect(
    std::int32_t selector, void* record, std::int32_t mode) {
    if (transition == nullptr) {
        return 1;
    }
    try {
        return transition->apply(selector, record, mode);
    } catch (...) {
        return 1;
    }
}
