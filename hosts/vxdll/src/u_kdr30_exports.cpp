// U_Kdr30's entry points for the older vxDLL interface, and its attach and
// detach: the transition's state is made when the host loads the library
// and freed when it unloads it, after the setup filter is removed from the
// host's application. Every entry point first makes sure the filter is
// installed (at attach there may be no application yet). No exception
// leaves the library.

#include <cstdint>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/kdrgui.h"
#include "setup_filter.h"
#include "vx_transitions.h"

namespace {

using kdr::hostkit::VxBitmapHeader;
using kdr::hostkit::VxEffectInfo;
using kdr::vxdll::OlderTransition;

OlderTransition* transition = nullptr;

__attribute__((constructor)) void attach_library() {
    try {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        kdr::hostkit::install_plugin_message_boxes();
        transition = new OlderTransition(&KDRGUI_Select);
    } catch (...) {
        transition = nullptr;
    }
}

__attribute__((destructor)) void detach_library() {
    try {
        kdr::vxdll::remove_setup_filter();
        delete transition;
    } catch (...) {
    }
    transition = nullptr;
}

void watch_host_dialogs() {
    if (transition == nullptr) {
        return;
    }
    try {
        kdr::vxdll::ensure_setup_filter([](KdrOwnerWindow owner, std::int32_t number) {
            return transition != nullptr ? transition->setup(owner, number) : std::nullopt;
        });
    } catch (...) {
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t vxDLLGetFileEffNum() {
    watch_host_dialogs();
    return 1;
}

extern "C" __attribute__((visibility("default"))) std::int32_t vxDLLGetEffInfo(VxEffectInfo* info) {
    watch_host_dialogs();
    if (info != nullptr) {
        OlderTransition::fill_info(*info);
    }
    return 1;
}

extern "C" __attribute__((visibility("default"))) std::int32_t vxDLLApplyEffect(
    const VxBitmapHeader* output_header, std::uint8_t* output_pixels,
    const VxBitmapHeader* source_header, std::uint8_t* a_pixels, void* /*unused_5*/,
    std::uint8_t* b_pixels, std::int32_t total, std::int32_t part, std::int32_t /*unused_9*/,
    std::int32_t /*unused_10*/, std::int32_t /*unused_11*/, std::int32_t /*unused_12*/,
    std::int32_t hundreds, std::int32_t units) {
    watch_host_dialogs();
    if (transition == nullptr) {
        return 1;
    }
    try {
        transition->render(output_header, output_pixels, source_header, a_pixels, b_pixels, total,
                           part, hundreds, units);
    } catch (...) {
    }
    return 1;
}
