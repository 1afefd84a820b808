#pragma once
// The five entry points every render engine library exports, unmangled, with
// these exact names and argument lists. Hosts never link an engine: the host
// core loads the library named in the registry and binds these by name.
//
// Calling order: Rnd_Prepare with the caller's current context (initially
// null) whenever the effect, its settings or the frame size change, keeping
// the context it returns; Rnd_Render once per frame (field, half) with that
// context; finally Rnd_FreeContext. A context is used by one thread at a
// time; two contexts of one engine may render at once on two threads.

#include "kaleidra/records/layout.h"

namespace kdr {
struct RenderContext;  // opaque, owned by the engine
}

extern "C" {

// A new render context, or null.
using RndCreateContextFn = kdr::RenderContext* (*)(kdr::EffectSettings* settings,
                                                   kdr::FrameRecord* frame);
// Frees a context; null is ignored.
using RndFreeContextFn = void (*)(kdr::RenderContext* context);
// Frees `context`, creates a fresh one, loads and sets up the effect; returns
// the context to use from now on, or null. With a null settings or frame
// record returns `context` unchanged.
using RndPrepareFn = kdr::RenderContext* (*)(kdr::RenderContext* context,
                                             kdr::EffectSettings* settings,
                                             kdr::FrameRecord* frame);
// 1 when the output frame was produced, 0 otherwise (empty effect name,
// abort, failure); on 0 the output image is left untouched.
using RndRenderFn = int (*)(kdr::RenderContext* context, kdr::EffectSettings* settings,
                            kdr::FrameRecord* frame);
// Always 0.
using RndStaticVideoFn = int (*)();

}  // extern "C"

namespace kdr {

// The exported names, in the order the host core looks them up.
inline constexpr const char* engine_export_names[5] = {
    "Rnd_CreateContext", "Rnd_FreeContext", "Rnd_Prepare", "Rnd_StaticVideo", "Rnd_Render"};

}  // namespace kdr
