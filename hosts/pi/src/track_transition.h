#pragma once
// Kdr30, the transition for hosts that load PI_ track plug-ins, behind its
// seven entry points. The host describes its track once (length, height,
// width), opens the setup with a settings number that it stores, and asks
// for frames by number. Like the vxDLL transitions it keeps the settings in
// the work folder's numbered files, here "%ld.HMC" (settings_files); the
// host keeps only the number.
//
// Every frame is the track's size, 32-bit pixels (blue, green, red, alpha),
// rows top first without padding; the sources are made opaque, and the
// frame is drawn as the field of bit 0x4000, the host's way. Frames of the
// host's preview size (204 x 166) write no log lines. A request with flag 1
// renders settings whose fly direction is 0 flying on (1), for that frame
// only: the file keeps what the user chose.
//
// Made when the library is attached to the host's process and destroyed
// when it is detached; called from the host's thread, one request at a
// time. Frames render on the calling thread's own context, or in two row
// halves on two threads with multi-rendering ("Rnd_Multi").

#include <cstdint>

#include "kaleidra/host/render_driver.h"
#include "kaleidra/hostkit/pi_records.h"
#include "kaleidra/kdrgui.h"

namespace kdr::pi {

class TrackTransition {
  public:
    // Attach: loads the engine the registry names and reads "Rnd_Multi".
    explicit TrackTransition(KdrGuiSelectFn select);
    ~TrackTransition();
    TrackTransition(const TrackTransition&) = delete;
    TrackTransition& operator=(const TrackTransition&) = delete;

    static void about_plugin(hostkit::PiPluginInfo& info);
    void about_track(const hostkit::PiTrack& track);
    // The setup: the number the host keeps is replaced only when the user
    // confirmed and the settings were saved.
    void show_dialog(std::int32_t& number, KdrOwnerWindow owner);
    // A frame of the track described last. Without a track, buffers, or
    // with a track of absurd size, nothing is drawn.
    void compute_frame(const hostkit::PiFrameRequest& request, const hostkit::PiBuffers& buffers);

    const hostkit::PiTrack& track() const { return m_track; }

  private:
    KdrGuiSelectFn m_select;
    host::RenderDriver m_driver;
    // The settings of the last file read; each frame renders a copy, so a
    // frame's flag never reaches the next frame.
    EffectSettings m_settings;
    bool m_settings_made = false;
    hostkit::PiTrack m_track{};
};

}  // namespace kdr::pi
