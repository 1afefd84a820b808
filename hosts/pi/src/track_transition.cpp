#include "track_transition.h"

#include <cstring>

#include "kaleidra/host/host_frame.h"
#include "kaleidra/hostkit/host_pictures.h"
#include "kaleidra/platform/threads.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/settings_files/numbered_settings.h"
#include "kaleidra/settings_files/numbered_setup.h"

namespace kdr::pi {
namespace {

using settings_files::pi_extension;

template <std::size_t size>
void copy_text(char (&field)[size], const char* text) {
    static_assert(size > 0);
    std::strncpy(field, text, size - 1);
    field[size - 1] = '\0';
}

// A track buffer: width x height pixels of 32 bits, rows top first.
Result<host::HostPicture> track_picture(std::uint8_t* pixels, const hostkit::PiTrack& track) {
    if (pixels == nullptr) {
        return Error{"no buffer"};
    }
    if (track.width <= 0 || track.height <= 0 || track.width > hostkit::max_picture_side ||
        track.height > hostkit::max_picture_side) {
        return Error{"a track of " + std::to_string(track.width) + " x " +
                     std::to_string(track.height)};
    }
    host::HostPicture picture;
    picture.pixels = pixels;
    picture.format = format_bgra;
    picture.bytes_per_pixel = 4;
    picture.row_order = row_order_top_down;
    picture.alignment = 1;
    picture.width = static_cast<std::uint32_t>(track.width);
    picture.height = static_cast<std::uint32_t>(track.height);
    return picture;
}

}  // namespace

TrackTransition::TrackTransition(KdrGuiSelectFn select) : m_select(select) {
    m_settings_made = settings_initialise(m_settings);
    // Without an engine every render draws nothing.
    (void)m_driver.attach();
    m_driver.set_calling_thread(host::CallingThread::own_context);
}

TrackTransition::~TrackTransition() {
    if (m_settings_made) {
        settings_destroy(m_settings);
    }
}

void TrackTransition::about_plugin(hostkit::PiPluginInfo& info) {
    std::memset(&info, 0, sizeof info);
    info.value_4 = 2;
    info.value_12 = 9998;
    info.value_16 = 30;
    copy_text(info.title, "* Kaleidra *");
    copy_text(info.name, "Kaleidra 3.0");
    copy_text(info.description,
              "Incredible 3D transitions and special effects from Talvane International.");
    info.value_356 = 1;
    info.value_361 = 1;
}

void TrackTransition::about_track(const hostkit::PiTrack& track) {
    m_track = track;
}

void TrackTransition::show_dialog(std::int32_t& number, KdrOwnerWindow owner) {
    settings_files::ChooseSettings dialog;
    if (m_select != nullptr) {
        dialog = [this, owner](EffectSettings& settings) { return m_select(owner, &settings, 0); };
    }
    if (std::optional<std::int32_t> kept =
            settings_files::run_numbered_setup(dialog, number, pi_extension)) {
        number = *kept;
    }
    m_driver.refresh_engine();
}

void TrackTransition::compute_frame(const hostkit::PiFrameRequest& request,
                                    const hostkit::PiBuffers& buffers) {
    platform::raise_thread_priority();
    if (!m_settings_made) {
        return;
    }
    // A file that cannot be read leaves the settings of the frame before.
    (void)settings_files::load_numbered_settings(m_settings, request.number, pi_extension);
    if (!settings_copy(m_driver.settings(), m_settings)) {
        return;
    }
    float& fly = m_driver.settings().globals[global_fly_direction];
    if (request.flag == 1 && fly == 0.0f) {
        fly = 1.0f;
    }

    Result<host::HostPicture> a = track_picture(buffers.a, m_track);
    Result<host::HostPicture> b = track_picture(buffers.b, m_track);
    Result<host::HostPicture> output = track_picture(buffers.output, m_track);
    if (!a || !b || !output) {
        return;
    }
    host::make_opaque(*a);
    host::make_opaque(*b);
    // Every frame is drawn as the field of bit 0x4000.
    host::HostField field;
    field.parity = 0;
    const host::HostPicture sources[2] = {*a, *b};
    host::HostFrame frame;
    frame.sources = sources;
    frame.output = *output;
    frame.position = request.frame > 0 ? static_cast<std::uint32_t>(request.frame) : 0;
    frame.total = m_track.length > 0 ? static_cast<std::uint32_t>(m_track.length) : 0;
    frame.field = &field;
    const bool preview =
        m_track.width == hostkit::pi_preview_width && m_track.height == hostkit::pi_preview_height;
    frame.quiet = preview ? host::QuietRule::always : host::QuietRule::never;
    if (host::fill_host_frame(m_driver, frame)) {
        m_driver.render(frame.call);
    }
}

}  // namespace kdr::pi
