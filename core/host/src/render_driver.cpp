#include "kaleidra/host/render_driver.h"

#include <cstdio>
#include <optional>

#include "kaleidra/images/image_file.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/threads.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "render_workers.h"

namespace kdr::host {
namespace {

constexpr std::uint32_t half_flags = flag_upper_half | flag_lower_half;
constexpr int first_extra_image = 3;
constexpr int last_extra_image = image_slot_count;

void release_all_images(FrameRecord& frame) {
    for (ImageRecord& image : frame.images) {
        image_release_all(image);
    }
    image_release_all(frame.output);
}

}  // namespace

RenderDriver::RenderDriver(EngineRole role, LogClock& clock) : m_role(role), m_log(clock) {
    for (RenderSlot& slot : m_slots) {
        frame_construct(slot.frame);
    }
    // All-zero records; the name stays empty until the caller loads one.
    // Without memory for a scene a record has none, which every settings
    // operation takes as an empty scene: nothing to report from here.
    (void)settings_initialise(m_current);
    (void)settings_initialise(m_previous);
    for (EffectSettings& copy : m_slot_settings) {
        (void)settings_initialise(copy);
    }
    m_workers = std::make_unique<RenderWorkers>([this](int slot) { run_slot(slot); },
                                                [] { platform::raise_thread_priority(); });
}

RenderDriver::~RenderDriver() {
    m_workers.reset();
    unload_engine();
    for (RenderSlot& slot : m_slots) {
        release_all_images(slot.frame);
    }
    for (EffectSettings& copy : m_slot_settings) {
        settings_destroy(copy);
    }
    settings_destroy(m_previous);
    settings_destroy(m_current);
}

Status RenderDriver::attach() {
    std::optional<std::string> name = read_engine_name(m_role);
    m_engine_name = name.value_or(std::string());
    unload_engine();
    // Without a name, load() fails and says which registry value was empty.
    Status loaded = name ? m_engine.load_named(*name) : m_engine.load(m_role);
    m_previous_width = 0;
    m_previous_height = 0;
    read_multi();
    return loaded;
}

bool RenderDriver::refresh_engine() {
    const std::string name = read_engine_name(m_role).value_or(std::string());
    bool reloaded = false;
    if (name != m_engine_name) {
        unload_engine();
        // An engine that cannot be loaded renders nothing, as a missing one
        // does; the host sees it in engine().loaded().
        (void)m_engine.load_named(name);
        m_engine_name = name;
        reloaded = true;
    }
    read_multi();
    return reloaded;
}

Status RenderDriver::use_engine(std::string_view name) {
    unload_engine();
    m_engine_name = std::string(name);
    return m_engine.load_named(name);
}

Status RenderDriver::use_engine_file(const std::filesystem::path& file) {
    unload_engine();
    m_engine_name = file.stem().string();
    return m_engine.load_file(file);
}

void RenderDriver::unload_engine() {
    free_contexts();
    m_engine.release();
}

void RenderDriver::free_contexts() {
    for (RenderSlot& slot : m_slots) {
        m_engine.free_context(slot.context);
        slot.context = nullptr;
    }
    m_engine.free_context(m_calling_context);
    m_calling_context = nullptr;
}

void RenderDriver::read_multi() {
    m_multi = install::read_number("Rnd_Multi") != 0;
}

int RenderDriver::slot_for(FrameCall call) const {
    return m_multi && call == FrameCall::second_field ? 1 : 0;
}

std::uint32_t RenderDriver::load_extra_images(int slot, int parity) {
    FrameRecord& frame = m_slots[slot].frame;
    frame.image_count = 2;
    for (int number = first_extra_image; number <= last_extra_image; ++number) {
        char name[16];
        if (parity < 0) {
            std::snprintf(name, sizeof name, "V%02d", number);
        } else {
            std::snprintf(name, sizeof name, "V%02d%d", number, parity);
        }
        std::optional<std::filesystem::path> file =
            install::build_path(install::folder_work, name, "IMG");
        if (!file || !read_image_file(frame.images[number - 1], *file)) {
            break;
        }
        frame.image_count = static_cast<std::uint32_t>(number);
    }
    return frame.image_count;
}

void RenderDriver::render(FrameCall call) {
    const int slot = slot_for(call);
    begin_frame(slot);
    const bool rendered = dispatch(call);
    end_frame(slot, rendered);
}

bool RenderDriver::needs_new_preparation(int slot) const {
    const FrameRecord& frame = m_slots[slot].frame;
    if (m_invalidated) {
        return true;
    }
    if (frame.width != m_previous_width || frame.height != m_previous_height) {
        return true;
    }
    if (settings_differ(m_current, m_previous)) {
        return true;
    }
    if (!m_multi && m_calling_thread == CallingThread::own_context) {
        return m_calling_context == nullptr;
    }
    // A slot that renders in this call but holds no context (never prepared,
    // or its last prepare failed) is tried again; under multi-rendering that
    // is either slot, so a failed second half is not left blank for good.
    if (m_multi) {
        return m_slots[0].context == nullptr || m_slots[1].context == nullptr;
    }
    return m_slots[slot].context == nullptr;
}

void RenderDriver::mark_for_preparation(int slot) {
    m_invalidated = false;
    for (RenderSlot& each : m_slots) {
        each.needs_prepare = 1;
    }
    bool copied = settings_copy(m_previous, m_current);
    for (EffectSettings& copy : m_slot_settings) {
        copied = settings_copy(copy, m_current) && copied;
    }
    m_previous_width = m_slots[slot].frame.width;
    m_previous_height = m_slots[slot].frame.height;
    if (!copied) {
        // Out of memory for a scene: this frame renders with what could be
        // copied, and the next frame prepares again.
        m_previous_width = 0;
        m_previous_height = 0;
    }
}

void RenderDriver::begin_frame(int slot) {
    platform::raise_thread_priority();
    if (needs_new_preparation(slot)) {
        mark_for_preparation(slot);
        if (!m_multi && m_calling_thread == CallingThread::own_context) {
            prepare_calling_context();
        }
        m_log.header(m_current, m_slots[slot].frame, m_engine_name);
    }
    m_log.frame_start(m_slots[slot].frame);
}

bool RenderDriver::dispatch(FrameCall call) {
    if (call == FrameCall::field_pair) {
        dispatch_pair();
        return true;
    }
    if (!m_multi) {
        dispatch_single();
        return true;
    }
    switch (call) {
        case FrameCall::whole_frame: {
            FrameRecord& first = m_slots[0].frame;
            FrameRecord& second = m_slots[1].frame;
            first.flags |= flag_upper_half;
            frame_copy(second, first);
            // The lower half alone: the lower-half bit wins over the upper one,
            // but an engine should not have to settle two contradictory bits.
            second.flags = (second.flags & ~flag_upper_half) | flag_lower_half;
            // One voice for the host's progress display: the two halves
            // would report at once from two threads.
            second.progress = nullptr;
            m_workers->run(true, true);
            return true;
        }
        case FrameCall::first_field:
            // Slot 0 waits for its partner field.
            return false;
        case FrameCall::second_field:
            m_workers->run(true, true);
            return true;
        case FrameCall::field_pair:
            break;
    }
    return false;
}

void RenderDriver::dispatch_pair() {
    for (RenderSlot& each : m_slots) {
        each.frame.flags &= ~half_flags;
    }
    if (m_multi) {
        m_workers->run(true, true);
        return;
    }
    // One context at a time: the second field after the first.
    switch (m_calling_thread) {
        case CallingThread::none:
            m_workers->run(true, false);
            m_workers->run(false, true);
            break;
        case CallingThread::slot_routine:
            run_slot(0);
            run_slot(1);
            break;
        case CallingThread::own_context:
            render_calling_context(0);
            render_calling_context(1);
            break;
    }
}

void RenderDriver::dispatch_single() {
    m_slots[0].frame.flags &= ~half_flags;
    switch (m_calling_thread) {
        case CallingThread::none:
            m_workers->run(true, false);
            break;
        case CallingThread::slot_routine:
            run_slot(0);
            break;
        case CallingThread::own_context:
            render_calling_context(0);
            break;
    }
}

void RenderDriver::end_frame(int slot, bool rendered) {
    m_log.frame_end(m_slots[slot].frame);
    if (rendered) {
        for (RenderSlot& each : m_slots) {
            frame_release_images(each.frame);
        }
    }
}

EffectSettings* RenderDriver::settings_for(int slot) {
    return &m_slot_settings[slot];
}

void RenderDriver::run_slot(int slot) {
    RenderSlot& target = m_slots[slot];
    EffectSettings* settings = settings_for(slot);
    // A slot without a context prepares too: the second slot of a field pair
    // may never have rendered, or its last prepare failed, while the first
    // one's context is what decided the change test.
    if (target.needs_prepare != 0 || target.context == nullptr) {
        // The engine frees the context it is given and returns a new one. An
        // engine without Rnd_Prepare leaves the slot without a context, so
        // it renders nothing, as last_result shows.
        (void)m_engine.prepare(target.context, settings, &target.frame);
        target.needs_prepare = 0;
    }
    target.last_result = 0;
    if (target.context != nullptr) {
        target.last_result = m_engine.render(target.context, settings, &target.frame);
    }
}

void RenderDriver::render_calling_context(int slot) {
    // The calling thread's context renders the slot's frame record with the
    // settings copy of slot 0, which serves it.
    FrameRecord& frame = m_slots[slot].frame;
    m_slots[slot].last_result = 0;
    if (m_calling_context == nullptr) {
        // Without Rnd_Prepare there is no context and nothing is rendered.
        (void)m_engine.prepare(m_calling_context, settings_for(0), &frame);
    }
    if (m_calling_context != nullptr) {
        m_slots[slot].last_result = m_engine.render(m_calling_context, settings_for(0), &frame);
    }
}

void RenderDriver::prepare_calling_context() {
    // The calling thread's context renders slot 0's frame record; without
    // Rnd_Prepare it stays without one and renders nothing.
    (void)m_engine.prepare(m_calling_context, settings_for(0), &m_slots[0].frame);
}

}  // namespace kdr::host
