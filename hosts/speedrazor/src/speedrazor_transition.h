#pragma once
// The Speed Razor transition Kdr30.tra behind its entry point ENTRYPOINT:
// the library's state (the render driver with its two slots, settings and
// engine binding; the host's callbacks; the icon block of the last
// information request) and the host's requests: about box, new
// transition, information, setup, render. Made when the library is
// attached to the host's process, destroyed when it is detached (the
// callback library released first, then the engine's contexts freed);
// called from the host's thread, one request at a time.
//
// Speed Razor hands over whole interlaced frames: with its field flag the
// transition renders both fields in one call, the first at step 2 x part
// and the second at 2 x part + 1 of 2 x total, each on its own slot with
// every picture cut to the field's rows; without multi-rendering the slots
// run one after the other on the calling thread.

#include <cstdint>
#include <span>

#include "host_callbacks.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/hostkit/speedrazor_icon.h"
#include "kaleidra/hostkit/speedrazor_records.h"
#include "kaleidra/kdrgui.h"

namespace kdr::speedrazor {

// What the transition calls outside itself; the library passes the real
// ones, tests their own.
struct TransitionServices {
    KdrGuiSelectFn select = nullptr;
    KdrGuiAboutFn about = nullptr;
    std::span<const std::uint8_t> resources;  // the plug-in's resource table
    hostkit::MovableAllocator allocate = hostkit::movable_allocate;
};

class SpeedRazorTransition {
  public:
    // Attach: loads the engine the registry names and reads "Rnd_Multi".
    explicit SpeedRazorTransition(const TransitionServices& services);
    ~SpeedRazorTransition();
    SpeedRazorTransition(const SpeedRazorTransition&) = delete;
    SpeedRazorTransition& operator=(const SpeedRazorTransition&) = delete;

    std::int32_t call(std::int32_t selector, void* record);

  private:
    std::int32_t information(hostkit::SpeedRazorInformation& info);
    void setup(hostkit::SpeedRazorRecord& record);
    std::int32_t render(hostkit::SpeedRazorRecord& record);

    TransitionServices m_services;
    host::RenderDriver m_driver;
    HostCallbacks m_callbacks;
    hostkit::IconBlock m_icon;
    std::int32_t m_previous_flags = 0;
};

}  // namespace kdr::speedrazor
