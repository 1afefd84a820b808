#pragma once
// Premiere's services as the transition uses them: the main window, new
// handles and resized handles of the host's library PREMINFO, bound by name
// (premiere_records.h) from the library the host has loaded. Any service
// may be missing: the main window is then 0, and settings cannot be stored
// in a handle. Bound at the first use and kept while the transition is
// loaded; used from the host's calling thread.

#include <cstdint>

#include "kaleidra/hostkit/premiere_records.h"
#include "kaleidra/platform/dynamic_library.h"

namespace kdr::premiere {

class PremiereServices {
  public:
    std::uintptr_t main_window();
    // A new handle of `size` bytes, or null.
    hostkit::PremiereHandle new_handle(std::uint32_t size);
    // True when the handle's block is now `size` bytes long.
    bool set_handle_size(hostkit::PremiereHandle handle, std::uint32_t size);

  private:
    void bind();

    bool m_bound = false;
    platform::DynamicLibrary m_library;
    hostkit::PremiereMainWindowFn m_main_window = nullptr;
    hostkit::PremiereNewHandleFn m_new_handle = nullptr;
    hostkit::PremiereSetHandleSizeFn m_set_handle_size = nullptr;
};

}  // namespace kdr::premiere
