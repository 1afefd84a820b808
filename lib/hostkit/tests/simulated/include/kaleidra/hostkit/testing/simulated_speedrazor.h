#pragma once
// The simulated Speed Razor of the adapters' tests: its record with the
// three pixel buffers, and its service library "callback" (callback.cpp),
// which the plug-in loads from the host folder the record names. The
// library reports to the file $KDR_SIM_CALLBACK_LOG, one line a call
// ("progress VALUE MAXIMUM", "test-abort ANSWER"), answers TestAbort with 1
// once it has been asked $KDR_SIM_ABORT_AFTER times (never when unset), and
// appends "callback unload" to the counting engine's log when it is
// unloaded, so that the order of the plug-in's detach work shows in one
// file.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "kaleidra/hostkit/speedrazor_records.h"
#include "kaleidra/hostkit/testing/host_pixels.h"

namespace kdr::hostkit::test {

inline constexpr const char* callback_log_variable = "KDR_SIM_CALLBACK_LOG";
inline constexpr const char* abort_after_variable = "KDR_SIM_ABORT_AFTER";

// The built callback library (callback.so).
std::filesystem::path simulated_callback_library();

class SimSpeedRazor {
  public:
    // A record for `width` x `height` frames with its three buffers; the
    // host folder is `host_folder` (holding callback.so, or not).
    SimSpeedRazor(std::int32_t width, std::int32_t height,
                  const std::filesystem::path& host_folder);
    SimSpeedRazor(const SimSpeedRazor&) = delete;
    SimSpeedRazor& operator=(const SimSpeedRazor&) = delete;
    ~SimSpeedRazor();

    SpeedRazorRecord& record() { return m_record; }
    HostPixels& a() { return m_a; }
    HostPixels& b() { return m_b; }
    HostPixels& destination() { return m_destination; }
    // Replaces the buffers' pixels (the record keeps pointing at them).
    void set_sources(const HostPixels& a, const HostPixels& b);

    // The stored settings at position 4 (empty: none).
    std::vector<std::uint8_t> stored() const;
    void store(const std::vector<std::uint8_t>& bytes);

  private:
    SpeedRazorRecord m_record{};
    HostPixels m_a;
    HostPixels m_b;
    HostPixels m_destination;
};

// The lines of the callback library's log.
std::vector<std::string> callback_log(const std::filesystem::path& file);

}  // namespace kdr::hostkit::test
