#pragma once
// The Photoshop filter Kdr30.8bf behind its entry point ENTRYPOINT: the
// host's selectors about, parameters, prepare, start, continue and finish.
// Unlike the video adapters it keeps no engine between calls: each run
// loads the engine the registry names, prepares, renders and frees it.
// Called from the host's thread, one selector at a time; the abort and
// progress entries the engine gets reach the run in progress through the
// library's one instance.
//
// The run moves the image row by row through the host's advance-state
// service: the picture (with the alpha of its selection, transparency and
// layer masks) becomes the image of the video the filter source names, the
// engine draws one frame at the filter percent of the filter frame count,
// and the frame is written back. The image is left unchanged when the user
// aborts, when the engine cannot be loaded or prepared (with a message
// saying which engine), and when the settings name no valid video.

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "kaleidra/hostkit/photoshop_records.h"
#include "kaleidra/hostkit/speedrazor_icon.h"
#include "kaleidra/kdrgui.h"

namespace kdr::photoshop {

// What the filter calls outside itself; the library passes the real ones,
// tests their own.
struct FilterServices {
    KdrGuiSelectFn select = nullptr;
    KdrGuiAboutFn about = nullptr;
    std::span<const std::uint8_t> resources;  // the plug-in's resource table
    hostkit::MovableAllocator allocate = hostkit::movable_allocate;
};

class PhotoshopFilter {
  public:
    explicit PhotoshopFilter(const FilterServices& services);
    ~PhotoshopFilter();
    PhotoshopFilter(const PhotoshopFilter&) = delete;
    PhotoshopFilter& operator=(const PhotoshopFilter&) = delete;

    // ENTRYPOINT: sets *result (0 first).
    void call(std::int16_t selector, void* record, std::intptr_t* data, std::int16_t* result);

    static int progress_entry(int percent);
    static int abort_entry(int unused);

  private:
    std::int16_t parameters(hostkit::PsFilterRecord& record);
    std::int16_t run(hostkit::PsFilterRecord& record);
    std::uintptr_t window_of(const hostkit::PsPlatformData* platform) const;
    void message(const std::string& text, int kind) const;

    FilterServices m_services;
    std::atomic<hostkit::PsFilterRecord*> m_running{nullptr};
    std::atomic<bool> m_aborted{false};
};

}  // namespace kdr::photoshop
