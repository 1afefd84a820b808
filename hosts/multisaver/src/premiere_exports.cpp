// Fl-KdrM30's entry point, xFilter, and its attach. No exception leaves
// the library.

#include <cstdint>

#include "kaleidra/install/registry_values.h"
#include "premiere_multisaver.h"

namespace {

__attribute__((constructor)) void attach_library() {
    kdr::install::set_registry_key(kdr::install::package_registry_key);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t xFilter(
    std::int16_t selector, kdr::hostkit::PremiereVideoHandle video) {
    try {
        return kdr::multisaver::premiere_filter(selector, video);
    } catch (...) {
        return 0;
    }
}
