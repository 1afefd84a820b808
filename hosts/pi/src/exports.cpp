// Kdr30's seven PI_ entry points, and its attach and detach: the
// transition's state is made when the host loads the library and freed
// when it unloads it. No exception leaves the library.

#include <cstdint>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/kdrgui.h"
#include "track_transition.h"

namespace {

using kdr::hostkit::PiBuffers;
using kdr::hostkit::PiFrameRequest;
using kdr::hostkit::PiPluginInfo;
using kdr::hostkit::PiTrack;
using kdr::pi::TrackTransition;

TrackTransition* transition = nullptr;

__attribute__((constructor)) void attach_library() {
    try {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        kdr::hostkit::install_plugin_message_boxes();
        transition = new TrackTransition(&KDRGUI_Select);
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

// PI_SetContext and PI_Terminate: nothing to do, whatever the host passes.
std::int32_t nothing(void* /*unused*/) {
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t PI_AboutPlugin(PiPluginInfo* info) {
    if (info != nullptr) {
        TrackTransition::about_plugin(*info);
    }
    return 0;
}

extern "C" __attribute__((visibility("default"))) std::int32_t PI_AboutTrack(const PiTrack* track) {
    if (transition != nullptr && track != nullptr) {
        transition->about_track(*track);
    }
    return 0;
}

extern "C" __attribute__((visibility("default"))) std::int32_t PI_SetContext(void* unused) {
    return nothing(unused);
}

extern "C" __attribute__((visibility("default"))) std::int32_t PI_Terminate(void* unused) {
    return nothing(unused);
}

extern "C" __attribute__((visibility("default"))) std::int32_t PI_GetSize() {
    return 1;
}

extern "C" __attribute__((visibility("default"))) std::int32_t PI_ShowDialog(std::int32_t* number,
                                                                             KdrOwnerWindow owner) {
    if (transition == nullptr || number == nullptr) {
        return 0;
    }
    try {
        transition->show_dialog(*number, owner);
    } catch (...) {
    }
    return 0;
}

extern "C" __attribute__((visibility("default"))) std::int32_t PI_ComputeFrame(
    const PiFrameRequest* request, const PiBuffers* buffers) {
    if (transition == nullptr || request == nullptr || buffers == nullptr) {
        return 0;
    }
    try {
        transition->compute_frame(*request, *buffers);
    } catch (...) {
    }
    return 0;
}
