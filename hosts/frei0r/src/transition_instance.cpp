#include "transition_instance.h"

#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "kaleidra/host/host_frame.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/scene/effect_settings.h"
#include "transition_settings.h"
#include "warnings.h"

namespace kdr::frei0r {
namespace {

const char* const slicing_warning =
    "the host cuts frames into slices for this transition (MLT: the transition's \"threads\" "
    "property). A 3D picture cannot be drawn in slices, so these frames show the first input "
    "unchanged. Remove the \"threads\" property from the frei0r.kaleidra transition (or set it "
    "to 1).";

// A host picture: red, green, blue, alpha, top row first, rows without
// padding.
host::HostPicture host_picture(const std::uint32_t* pixels, unsigned width, unsigned height) {
    host::HostPicture picture;
    picture.pixels = pixels;
    picture.format = format_rgba;
    picture.bytes_per_pixel = 4;
    picture.row_order = row_order_top_down;
    picture.width = width;
    picture.height = height;
    return picture;
}

}  // namespace

TransitionInstance::TransitionInstance(unsigned width, unsigned height, FrameClock& clock)
    : m_width(width), m_height(height), m_guard(std::size_t{width} * height), m_positions(clock) {}

TransitionInstance::~TransitionInstance() = default;

void TransitionInstance::pass_through(const UpdateCall& call) const {
    if (call.a != nullptr && call.out != nullptr && call.a != call.out) {
        std::memmove(call.out, call.a, std::size_t{m_width} * m_height * sizeof(std::uint32_t));
    }
}

void TransitionInstance::update(double time, const std::uint32_t* a, const std::uint32_t* b,
                                std::uint32_t* out) {
    const UpdateCall call{time, a, b, out};
    if (a == nullptr || b == nullptr || out == nullptr) {
        pass_through(call);
        return;
    }
    const SliceGuard::Entry entry = m_guard.enter(call);
    if (entry.first_detection) {
        warn_once(slicing_warning);
    }
    if (entry.repair) {
        pass_through(*entry.repair);
    }
    bool rendered = false;
    if (entry.render) {
        try {
            rendered = render(time, a, b, out);
        } catch (const std::exception& error) {
            warn_once(std::string("rendering failed: ") + error.what());
            rendered = false;
        } catch (...) {
            warn_once("rendering failed");
            rendered = false;
        }
        if (!rendered) {
            pass_through(call);
        }
    } else {
        pass_through(call);
    }
    if (m_guard.leave(rendered)) {
        pass_through(call);
    }
}

bool TransitionInstance::start_driver() {
    if (m_driver) {
        return m_engine_ready;
    }
    m_driver = std::make_unique<host::RenderDriver>();
    const Status attached = m_driver->attach();
    m_engine_ready = attached.ok();
    const host::EngineBinding& engine = m_driver->engine();
    if (!m_engine_ready) {
        warn_once("no render engine (registry values \"Path\" and \"Engine\"; see kdr-reg): " +
                  attached.error() + ". Frames show the first input unchanged.");
    } else if (!engine.has_prepare() || !engine.has_render()) {
        warn_once("the engine " + engine.tried_path().string() +
                  " lacks Rnd_Prepare or Rnd_Render. Frames show the first input unchanged.");
        m_engine_ready = false;
    }
    return m_engine_ready;
}

void TransitionInstance::refresh_settings() {
    if (m_settings_built && m_settings_generation == m_parameters.generation()) {
        return;
    }
    EffectSettings fresh;
    if (!settings_initialise(fresh)) {
        throw std::bad_alloc();
    }
    if (Status status = build_transition_settings(fresh, m_parameters); !status) {
        warn_once(status.error());
    }
    if (Status status = host::check_effect(fresh.name); !status) {
        warn_once(status.error() + " (the engine falls back to " + fallback_effect + ")");
    }
    const bool copied = settings_copy(m_driver->settings(), fresh);
    settings_destroy(fresh);
    if (!copied) {
        throw std::bad_alloc();
    }
    m_settings_generation = m_parameters.generation();
    m_settings_built = true;
}

bool TransitionInstance::render(double time, const std::uint32_t* a, const std::uint32_t* b,
                                std::uint32_t* out) {
    if (!start_driver()) {
        return false;
    }
    refresh_settings();

    host::RenderDriver& driver = *m_driver;
    const host::HostPicture sources[2] = {host_picture(a, m_width, m_height),
                                          host_picture(b, m_width, m_height)};
    host::HostFrame frame;
    frame.sources = sources;
    frame.output = host_picture(out, m_width, m_height);
    const FramePlace place = m_positions.place(time, m_parameters.completion());
    frame.position = place.position;
    frame.total = place.total;
    // Thumbnails (narrower than 160 and lower than 120) log nothing and map
    // no video files, as every host's small previews.
    frame.quiet = host::QuietRule::by_size;
    Result<host::DrawnPicture> drawn = host::render_host_frame(driver, frame);
    if (!drawn) {
        warn_once("the frame cannot be handed to the engine: " + drawn.error());
        return false;
    }
    if (*drawn != host::DrawnPicture::whole) {
        warn_once("the engine rendered no picture (effect \"" +
                  std::string(driver.settings().name) +
                  "\"). Such frames show the first input unchanged.");
        return false;
    }
    return true;
}

}  // namespace kdr::frei0r
