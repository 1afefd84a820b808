#pragma once
// The Premiere transition Fx-Kdr30 behind its entry point xEffect: the
// state of the library (the render driver with its two slots, settings and
// engine binding; Premiere's services) and the two requests, setup and
// render. Made when the library is attached to the host's process and
// destroyed when it is detached; called from the host's thread, one
// request at a time.
//
// Setup reads the settings stored in the transition's specification handle
// (form "KDRR"), lets the user choose with KDRGUI_Select, and writes them
// back into the handle: a new one at the first setup, the same one resized
// at every later one, whether the user confirmed or cancelled.
//
// Render turns the call into a frame of the render driver: sources and
// destination from the pixel maps (sources made opaque), the part and
// total, the field bits, the work folder's pictures, thumbnails (118 x 88
// and 32 x 32) copied at the ends and drawn on one thread between them.
// A record without both sources and a destination that hold the frame
// renders nothing.

#include <cstdint>

#include "kaleidra/host/render_driver.h"
#include "kaleidra/hostkit/premiere_records.h"
#include "kaleidra/kdrgui.h"
#include "premiere_services.h"

namespace kdr::premiere {

class PremiereTransition {
  public:
    // Attach: loads the engine the registry names ("Engine") and reads
    // "Rnd_Multi"; without an engine every render draws nothing.
    explicit PremiereTransition(KdrGuiSelectFn select);
    ~PremiereTransition();
    PremiereTransition(const PremiereTransition&) = delete;
    PremiereTransition& operator=(const PremiereTransition&) = delete;

    // xEffect: 0 render, 1 setup, anything else a message. Always 0.
    std::int32_t call(std::int16_t selector, hostkit::PremiereEffectHandle effect);

  private:
    void setup(hostkit::PremiereEffectRecord& effect);
    void render(hostkit::PremiereEffectRecord& effect);
    void store_settings(hostkit::PremiereEffectRecord& effect, const EffectSettings& settings);

    KdrGuiSelectFn m_select;
    host::RenderDriver m_driver;
    PremiereServices m_services;
};

}  // namespace kdr::premiere
