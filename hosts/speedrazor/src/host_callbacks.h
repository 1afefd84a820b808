#pragma once
// Speed Razor's services for a render: progress and the user's abort,
// from the host's library "callback" in the host's folder, bound at the
// first render and kept until the transition is detached. The engine gets
// two plain entries in the frame record (which carry no context), so the
// state they reach is the library's one instance of this class.
//
// The entries may be called by both render threads at once: the services
// are the host's, which takes calls from either; the abort flag is atomic.

#include <atomic>
#include <cstdint>
#include <string>

#include "kaleidra/hostkit/speedrazor_records.h"
#include "kaleidra/platform/dynamic_library.h"

namespace kdr::speedrazor {

class HostCallbacks {
  public:
    HostCallbacks();
    ~HostCallbacks();
    HostCallbacks(const HostCallbacks&) = delete;
    HostCallbacks& operator=(const HostCallbacks&) = delete;

    // Loads host_folder + "callback.so" and looks the two services up,
    // unless the library is loaded already. A missing library leaves
    // progress unreported and aborts unseen, and is tried again next time.
    void bind(const char* host_folder, std::size_t folder_size);
    // Releases the library (at detach).
    void release();
    bool bound() const { return m_library.loaded(); }

    void clear_abort() { m_aborted.store(0); }
    bool aborted() const { return m_aborted.load() != 0; }

    // The entries handed to the engine.
    static int progress_entry(int percent);
    static int abort_entry(int unused);

  private:
    platform::DynamicLibrary m_library;
    std::atomic<hostkit::SpeedRazorProgressFn> m_progress{nullptr};
    std::atomic<hostkit::SpeedRazorTestAbortFn> m_test_abort{nullptr};
    std::atomic<int> m_aborted{0};
};

}  // namespace kdr::speedrazor
