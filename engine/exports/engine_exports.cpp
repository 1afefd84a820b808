// The five entry points of an engine library, compiled into each library
// with its own backend. Everything else in a library stays hidden (the
// library is built with hidden visibility and a version script), so two
// engines loaded into one process never see each other's internals.

#include <exception>

#include "engine_exports.h"
#include "kaleidra/install/registry_values.h"

#define KDR_ENGINE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The library's state, made by the first entry point a host calls rather
// than when the library is loaded (a host may load it only to look at it):
// registry reads (the installation folder for effects and textures) go to
// the package's key from then on, and the backend holds everything the
// library's contexts share.
kdr::render::EngineBackend& library() {
    static kdr::render::EngineBackend* const backend = [] {
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        return &kdr::render::engine_backend();
    }();
    return *backend;
}

}  // namespace

KDR_ENGINE_EXPORT kdr::RenderContext* Rnd_CreateContext(kdr::EffectSettings* settings,
                                                        kdr::FrameRecord* frame) {
    try {
        return kdr::render::create_context(library(), settings, frame);
    } catch (const std::exception&) {
        return nullptr;
    }
}

KDR_ENGINE_EXPORT void Rnd_FreeContext(kdr::RenderContext* context) {
    try {
        kdr::render::free_context(library(), context);
    } catch (const std::exception&) {
    }
}

KDR_ENGINE_EXPORT kdr::RenderContext* Rnd_Prepare(kdr::RenderContext* context,
                                                  kdr::EffectSettings* settings,
                                                  kdr::FrameRecord* frame) {
    try {
        return kdr::render::prepare_context(library(), context, settings, frame);
    } catch (const std::exception&) {
        return nullptr;
    }
}

KDR_ENGINE_EXPORT int Rnd_Render(kdr::RenderContext* context, kdr::EffectSettings* settings,
                                 kdr::FrameRecord* frame) {
    try {
        return kdr::render::render_frame(library(), context, settings, frame);
    } catch (const std::exception&) {
        return 0;
    }
}

KDR_ENGINE_EXPORT int Rnd_StaticVideo() {
    return 0;
}

// The exports must keep the types hosts bind them with.
static_assert(std::is_same_v<decltype(&Rnd_CreateContext), RndCreateContextFn>);
static_assert(std::is_same_v<decltype(&Rnd_FreeContext), RndFreeContextFn>);
static_assert(std::is_same_v<decltype(&Rnd_Prepare), RndPrepareFn>);
static_assert(std::is_same_v<decltype(&Rnd_Render), RndRenderFn>);
static_assert(std::is_same_v<decltype(&Rnd_StaticVideo), RndStaticVideoFn>);
