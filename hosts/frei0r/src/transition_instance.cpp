#include "transition_instance.h"

#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "kaleidra/host/render_driver.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "transition_settings.h"
#include "warnings.h"

namespace kdr::frei0r {
namespace {

// Below this size a frame is a thumbnail: no render-log entries and no
// loading of mapped video files, as for every host's small previews.
constexpr unsigned quiet_width = 160;
constexpr unsigned quiet_height = 120;

const char* const slicing_warning =
    "the host cuts frames into slices for this transition (MLT: the transition's \"threads\" "
    "property). A 3D picture cannot be drawn in slices, so these frames show the first input "
    "unchanged. Remove the \"threads\" property from the frei0r.kaleidra transition (or set it "
    "to 1).";

// The image record of a host picture: red, green, blue, alpha, top row
// first, rows without padding. The record points at the host's pixels and
// never owns them.
void describe_picture(ImageRecord& image, const std::uint32_t* pixels, unsigned width,
                      unsigned height) {
    image_release_all(image);
    image_set_shape(image, {format_rgba, 4, 4, row_order_top_down, width, height});
    image.buffer = reinterpret_cast<std::uint8_t*>(const_cast<std::uint32_t*>(pixels));
    image.owns = 0;
    (void)image_update_sizes(image);
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
    m_engine_ready = m_driver->attach();
    const host::EngineBinding& engine = m_driver->engine();
    if (!m_engine_ready) {
        std::string where =
            engine.tried_path().empty() ? std::string() : " " + engine.tried_path().string();
        warn_once(
            "no render engine (registry values \"Path\" and \"Engine\"; see kdr-reg): "
            "cannot load" +
            where + (engine.error().empty() ? "" : ": " + engine.error()) +
            ". Frames show the first input unchanged.");
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
    const int slot = driver.slot_for(host::FrameCall::whole_frame);
    FrameRecord& frame = driver.frame(slot);
    frame.width = m_width;
    frame.height = static_cast<std::int32_t>(m_height);
    frame.image_count = 2;
    describe_picture(frame.images[0], a, m_width, m_height);
    describe_picture(frame.images[1], b, m_width, m_height);
    describe_picture(frame.output, out, m_width, m_height);
    const FramePlace place = m_positions.place(time, m_parameters.completion());
    frame.position = place.position;
    frame.total = place.total;
    frame.quiet = (m_width < quiet_width || m_height < quiet_height) ? 1 : 0;
    frame.flags = 0;
    frame_set_aspect(frame);

    driver.render(host::FrameCall::whole_frame);
    const bool whole =
        driver.slot(0).last_result != 0 && (!driver.multi() || driver.slot(1).last_result != 0);
    if (!whole) {
        warn_once("the engine rendered no picture (effect \"" +
                  std::string(driver.settings().name) +
                  "\"). Such frames show the first input unchanged.");
    }
    return whole;
}

}  // namespace kdr::frei0r
