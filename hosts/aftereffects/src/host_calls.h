#pragma once
// After Effects' abort test and progress report during a render. The
// engine gets two plain entries in the frame record (which carry no
// context), so the call in progress is the library's one instance of this
// class: begin() names the input record of the call, end() forgets it.
//
// The entries may be called by both render threads at once; the host's
// services take calls from either, and the abort result is atomic.

#include <atomic>
#include <cstdint>

#include "kaleidra/hostkit/aftereffects_records.h"

namespace kdr::aftereffects {

class HostCalls {
  public:
    HostCalls();
    ~HostCalls();
    HostCalls(const HostCalls&) = delete;
    HostCalls& operator=(const HostCalls&) = delete;

    // The input record of the render in progress; clears the abort result.
    void begin(hostkit::AeInRecord* in);
    void end();
    // The host's answer to the abort test that stopped the render, or 0.
    std::int32_t abort_result() const { return m_abort_result.load(); }

    // The entries handed to the engine.
    static int progress_entry(int percent);
    static int abort_entry(int unused);

  private:
    std::atomic<hostkit::AeInRecord*> m_in{nullptr};
    std::atomic<std::int32_t> m_abort_result{0};
};

}  // namespace kdr::aftereffects
