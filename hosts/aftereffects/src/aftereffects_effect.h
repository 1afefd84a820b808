#pragma once
// The After Effects effect Kdr30.aex behind its entry point "main": the
// library's state (the render driver with its calling-thread context and
// two slots, settings and engine binding; the call in progress for the
// host's abort and progress services) and the host's commands: about,
// global setup, parameter setup, sequence setup, options, render. Made
// when the library is attached to the host's process and destroyed when it
// is detached; called from the host's thread, one command at a time.
//
// The settings live in the effect's sequence data (form "KDRR"): options
// reads them, lets the user choose with KDRGUI_Select, and hands the host
// a new handle with what was chosen. Render reads them from the same
// handle, copies source A (the input layer) and the checked-out layers
// 2 to 20 into memory of its own in red, green, blue, alpha order (the
// host's layers stay as they were), and has the engine draw straight into
// the output buffer in the host's alpha, red, green, blue order: on the
// calling thread, or in two row halves on two threads with
// multi-rendering.

#include <cstdint>

#include "host_calls.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/hostkit/aftereffects_records.h"
#include "kaleidra/kdrgui.h"

namespace kdr::aftereffects {

// What the effect calls outside itself; the library passes the real ones,
// tests their own.
struct EffectServices {
    KdrGuiSelectFn select = nullptr;
    KdrGuiAboutFn about = nullptr;
};

class AfterEffectsEffect {
  public:
    // Attach: loads the engine the registry names and reads "Rnd_Multi";
    // without an engine every render draws nothing.
    explicit AfterEffectsEffect(const EffectServices& services);
    ~AfterEffectsEffect();
    AfterEffectsEffect(const AfterEffectsEffect&) = delete;
    AfterEffectsEffect& operator=(const AfterEffectsEffect&) = delete;

    // "main": the command's error code (0 = none). Records the host did
    // not pass are taken for a command that does nothing.
    std::int32_t call(std::int32_t command, hostkit::AeInRecord* in, hostkit::AeOutRecord* out,
                      hostkit::AeParam** params, hostkit::AeLayer* output);

    const host::RenderDriver& driver() const { return m_driver; }

  private:
    void options(hostkit::AeInRecord& in, hostkit::AeOutRecord& out);
    std::int32_t render(hostkit::AeInRecord& in, hostkit::AeParam** params,
                        hostkit::AeLayer& output);
    // The settings the sequence data holds into `settings`; false, the
    // record as it was, when there are none or they cannot be read.
    bool read_sequence_data(const hostkit::AeInRecord& in, EffectSettings& settings);

    EffectServices m_services;
    host::RenderDriver m_driver;
    HostCalls m_calls;
};

}  // namespace kdr::aftereffects
