// A render engine for the renderer's Stop tests: Rnd_Render holds the frame
// until the caller's abort callback asks it to stop (or ten seconds pass),
// then returns 0 without drawing, as an engine does when a render is
// aborted. Rnd_Prepare hands out a fresh context.

#include <chrono>
#include <thread>

#include "kaleidra/contract/engine_api.h"

struct kdr::RenderContext {
    int unused = 0;
};

extern "C" {

__attribute__((visibility("default"))) kdr::RenderContext* Rnd_CreateContext(kdr::EffectSettings*,
                                                                             kdr::FrameRecord*) {
    return new kdr::RenderContext;
}

__attribute__((visibility("default"))) void Rnd_FreeContext(kdr::RenderContext* context) {
    delete context;
}

__attribute__((visibility("default"))) int Rnd_StaticVideo() {
    return 0;
}

__attribute__((visibility("default"))) kdr::RenderContext* Rnd_Prepare(
    kdr::RenderContext* context, kdr::EffectSettings* settings, kdr::FrameRecord* frame) {
    if (settings == nullptr || frame == nullptr) {
        return context;
    }
    delete context;
    return new kdr::RenderContext;
}

__attribute__((visibility("default"))) int Rnd_Render(kdr::RenderContext*, kdr::EffectSettings*,
                                                      kdr::FrameRecord* frame) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
        if (frame->abort != nullptr && frame->abort(0) != 0) {
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 0;
}

}  // extern "C"
