#pragma once
// The simulated Premiere of the adapters' tests: pixel maps and effect and
// video records laid out as the host lays them out, with their handles,
// and the controls of its service library PREMINFO (preminfo.cpp, loaded
// by the test program before any plug-in, as the host has it loaded).

#include <cstdint>
#include <vector>

#include "kaleidra/hostkit/premiere_records.h"
#include "kaleidra/hostkit/testing/host_pixels.h"

extern "C" {
// The size of a handle PREMINFO made, or -1 for another pointer.
std::int32_t SimPremiere_HandleSize(char** handle);
// A handle of PREMINFO's holding `size` bytes copied from `bytes`.
char** SimPremiere_HandleOf(const void* bytes, std::int32_t size);
void SimPremiere_DisposeHandle(char** handle);
// How often the service named by its ordinal (235, 379, 484) was called.
std::int32_t SimPremiere_Calls(std::int32_t ordinal);
// Non-zero: new handles and resizes fail.
void SimPremiere_FailAllocations(std::int32_t fail);
void SimPremiere_Reset();
}

namespace kdr::hostkit::test {

// A pixel map over its own pixels; handle() is what records hold.
class SimPixelMap {
  public:
    explicit SimPixelMap(HostPixels pixels);
    SimPixelMap(const SimPixelMap&) = delete;
    SimPixelMap& operator=(const SimPixelMap&) = delete;

    PremierePixelMapHandle handle() { return &m_pointer; }
    PremierePixelMap& map() { return m_map; }
    HostPixels& pixels() { return m_pixels; }

  private:
    HostPixels m_pixels;
    PremierePixelMap m_map{};
    PremierePixelMap* m_pointer = &m_map;
};

class SimEffect {
  public:
    SimEffect() = default;
    SimEffect(const SimEffect&) = delete;
    SimEffect& operator=(const SimEffect&) = delete;
    ~SimEffect();

    PremiereEffectHandle handle() { return &m_pointer; }
    PremiereEffectRecord& record() { return m_record; }
    // The stored settings the specification handle holds (empty: none).
    std::vector<std::uint8_t> stored() const;
    // Gives the transition stored settings, as a project loaded from disk.
    void store(const std::vector<std::uint8_t>& bytes);

  private:
    PremiereEffectRecord m_record{};
    PremiereEffectRecord* m_pointer = &m_record;
};

class SimVideo {
  public:
    SimVideo() = default;
    SimVideo(const SimVideo&) = delete;
    SimVideo& operator=(const SimVideo&) = delete;
    PremiereVideoHandle handle() { return &m_pointer; }
    PremiereVideoRecord& record() { return m_record; }

  private:
    PremiereVideoRecord m_record{};
    PremiereVideoRecord* m_pointer = &m_record;
};

}  // namespace kdr::hostkit::test
