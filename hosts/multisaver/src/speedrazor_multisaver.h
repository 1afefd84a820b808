#pragma once
// KdrMulti30, the multisaver filter for Speed Razor, behind its entry point
// ENTRYPOINT: the about box, a new filter, the information record (title,
// description and icon in movable blocks kept until the next call) and the
// save of a frame (work_images.h), whose output is black. Called from the
// host's thread, one request at a time.

#include <cstdint>
#include <span>

#include "kaleidra/hostkit/speedrazor_icon.h"
#include "kaleidra/hostkit/speedrazor_records.h"

namespace kdr::multisaver {

struct MultisaverServices {
    std::span<const std::uint8_t> resources;  // the plug-in's resource table
    hostkit::MovableAllocator allocate = hostkit::movable_allocate;
};

class SpeedRazorMultisaver {
  public:
    explicit SpeedRazorMultisaver(const MultisaverServices& services) : m_services(services) {}
    ~SpeedRazorMultisaver();
    SpeedRazorMultisaver(const SpeedRazorMultisaver&) = delete;
    SpeedRazorMultisaver& operator=(const SpeedRazorMultisaver&) = delete;

    std::int32_t call(std::int32_t selector, void* record);

  private:
    std::int32_t information(hostkit::SpeedRazorInformation& info);
    void save(hostkit::SpeedRazorRecord& record);
    void release_blocks();
    // A locked movable block holding `text`, or null.
    const char* text_block(hostkit::MovableHandle& block, const char* text, std::size_t size);

    MultisaverServices m_services;
    hostkit::MovableHandle m_title = nullptr;
    hostkit::MovableHandle m_description = nullptr;
    hostkit::IconBlock m_icon;
};

}  // namespace kdr::multisaver
