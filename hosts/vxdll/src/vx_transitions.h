#pragma once
// Kaleidra's two transitions for the hosts of vxDLL effect libraries. Their
// hosts store no private data for a transition, only a number: the
// settings live in the numbered files "%ld.HUL" of the work folder
// (settings_files), and the host keeps the number.
//
// U_Kdr30 (OlderTransition), the older interface: effect information, a
// count of effects, and one apply call with fourteen arguments (the number
// in arguments 13 and 14 as hundreds and units). Its setup runs from the
// host's own effect dialog (setup_filter.h), which calls setup() here.
//
// Kdr5_30 (NewerTransition), the newer interface: effect information, a
// default value, and an apply call with a selector (0 setup, 1 render) and
// a field mode; frames come as a completion (completion_clock.h) and may
// be parts of larger bitmaps.
//
// Each is made when its library is attached to the host's process and
// destroyed when it is detached; called from the host's thread, one
// request at a time. Both render on the calling thread's own context, or
// in two row halves on two threads with multi-rendering ("Rnd_Multi").

#include <cstdint>
#include <optional>

#include "completion_clock.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/hostkit/vxdll_records.h"
#include "kaleidra/kdrgui.h"

namespace kdr::vxdll {

class OlderTransition {
  public:
    // Attach: loads the engine the registry names and reads "Rnd_Multi".
    explicit OlderTransition(KdrGuiSelectFn select);
    ~OlderTransition();
    OlderTransition(const OlderTransition&) = delete;
    OlderTransition& operator=(const OlderTransition&) = delete;

    static void fill_info(hostkit::VxEffectInfo& info);

    // vxDLLApplyEffect's render. A frame whose bitmaps are missing or do
    // not hold it renders nothing.
    void render(const hostkit::VxBitmapHeader* output_header, std::uint8_t* output_pixels,
                const hostkit::VxBitmapHeader* source_header, std::uint8_t* a_pixels,
                std::uint8_t* b_pixels, std::int32_t total, std::int32_t part,
                std::int32_t hundreds, std::int32_t units);

    // The setup the host's effect dialog asks for, with the number it
    // shows: the number it is to show from now on, or nothing when the
    // dialog was cancelled or the settings could not be saved. The next
    // frame prepares again.
    std::optional<std::int32_t> setup(KdrOwnerWindow owner, std::int32_t number);

    host::RenderDriver& driver() { return m_driver; }

  private:
    KdrGuiSelectFn m_select;
    host::RenderDriver m_driver;
};

class NewerTransition {
  public:
    explicit NewerTransition(KdrGuiSelectFn select);
    ~NewerTransition();
    NewerTransition(const NewerTransition&) = delete;
    NewerTransition& operator=(const NewerTransition&) = delete;

    static void fill_info(hostkit::VxEffectInfo& info);

    // vxDLLApplyEffect: 0 setup, 1 render; always 1.
    std::int32_t apply(std::int32_t selector, void* record, std::int32_t mode);

  private:
    void setup(hostkit::Vx5SetupRecord& record);
    void render(const hostkit::Vx5RenderRecord& record, std::int32_t mode);

    KdrGuiSelectFn m_select;
    host::RenderDriver m_driver;
    CompletionClock m_clock;
};

// The settings number of U_Kdr30's two arguments, 0 when it is not a
// positive 32-bit number.
std::int32_t settings_number(std::int32_t hundreds, std::int32_t units);

}  // namespace kdr::vxdll
