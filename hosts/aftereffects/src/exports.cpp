// Kdr30.aex's entry point, "main", and its attach and detach: the effect's
// state is made when the host loads the library and freed when it unloads
// it (engine contexts first, then the engine). No exception leaves the
// library.

#include <cstdint>
#include <new>

#include "aftereffects_effect.h"
#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/kdrgui.h"

namespace {

kdr::aftereffects::AfterEffectsEffect* effect = nullptr;

__attribute__((constructor)) void attach_library() {
    try {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        kdr::hostkit::install_plugin_message_boxes();
        effect = new kdr::aftereffects::AfterEffectsEffect({&KDRGUI_Select, &KDRGUI_About});
    } catch (...) {
        effect = nullptr;
    }
}

__attribute__((destructor)) void detach_library() {
    try {
        delete effect;
    } catch (...) {
    }
    effect = nullptr;
}

}  // namespace

// The host looks the entry point up as "main"; a C++ function may not be
// called that, so the symbol gets the name through the assembler.
extern "C" __attribute__((visibility("default"))) std::int32_t kdr_aftereffects_main(
    std::int32_t command, kdr::hostkit::AeInRecord* in, kdr::hostkit::AeOutRecord* out,
    kdr::hostkit::AeParam** params, kdr::hostkit::AeLayer* output) __asm__("main");

std::int32_t kdr_aftereffects_main(std::int32_t command, kdr::hostkit::AeInRecord* in,
                                   kdr::hostkit::AeOutRecord* out, kdr::hostkit::AeParam** params,
                                   kdr::hostkit::AeLayer* output) {
    if (effect == nullptr) {
        return 0;
    }
    try {
        return effect->call(command, in, out, params, output);
    } catch (...) {
        return 0;
    }
}
