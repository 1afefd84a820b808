#include "speedrazor_transition.h"

#include <cstring>
#include <vector>

#include "kaleidra/host/host_frame.h"
#include "kaleidra/hostkit/host_pictures.h"
#include "kaleidra/hostkit/movable_memory.h"
#include "kaleidra/hostkit/stored_settings.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/platform/threads.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::speedrazor {
namespace {

constexpr const char* plugin_name = "Kaleidra 3.0";
constexpr const char* plugin_description = "Incredible 3D transitions and effects.";

// Reads the stored settings a movable block holds into `settings`.
void read_stored(EffectSettings& settings, hostkit::MovableHandle block) {
    const void* bytes = hostkit::movable_lock(block);
    if (bytes == nullptr) {
        return;
    }
    // Unreadable settings leave the record as it was.
    (void)hostkit::load_stored_settings(settings, bytes, hostkit::movable_size(block));
    hostkit::movable_unlock(block);
}

// The field each slot draws. The first field (slot 0) is the one of field
// bit 0x2000 unless the record's field order says the other first; field
// bit 0x2000 shows the view of the rows that starts at the first stored row
// of an odd-height picture (view 1), 0x4000 the other (view 0).
struct FieldPair {
    host::HostField first;
    host::HostField second;
};

FieldPair field_pair(std::int32_t flags) {
    const bool other_first = (flags & hostkit::speedrazor_field_order) != 0;
    auto field_of = [](int bit_parity) {
        host::HostField field;
        field.parity = bit_parity;  // 1: 0x2000, 0: 0x4000
        field.cut_from_whole_pictures = true;
        // View v shows the rows image_select_field numbers 1 - v; the bit
        // 0x2000 shows view 1.
        field.cut_rows = bit_parity == 1 ? 0 : 1;
        return field;
    };
    return other_first ? FieldPair{field_of(0), field_of(1)} : FieldPair{field_of(1), field_of(0)};
}

}  // namespace

SpeedRazorTransition::SpeedRazorTransition(const TransitionServices& services)
    : m_services(services) {
    // Without an engine every render draws nothing.
    (void)m_driver.attach();
    // Without multi-rendering the slots render on the host's own thread.
    m_driver.set_calling_thread(host::CallingThread::slot_routine);
}

SpeedRazorTransition::~SpeedRazorTransition() {
    hostkit::release_icon_block(m_icon);
    // The host's library goes before the engine's contexts are freed (the
    // driver frees them as it goes).
    m_callbacks.release();
}

std::int32_t SpeedRazorTransition::call(std::int32_t selector, void* record) {
    platform::raise_thread_priority();
    hostkit::release_icon_block(m_icon);
    auto* transition = static_cast<hostkit::SpeedRazorRecord*>(record);
    switch (selector) {
        case hostkit::speedrazor_about:
            if (m_services.about != nullptr) {
                (void)m_services.about(transition != nullptr ? transition->window : 0, nullptr,
                                       nullptr);
            }
            return 0;
        case hostkit::speedrazor_new:
            if (transition != nullptr) {
                transition->settings = nullptr;
            }
            return 1;
        case hostkit::speedrazor_information:
            return record != nullptr
                       ? information(*static_cast<hostkit::SpeedRazorInformation*>(record))
                       : 0;
        case hostkit::speedrazor_setup:
            if (transition != nullptr) {
                setup(*transition);
            }
            return 0;
        case hostkit::speedrazor_render:
            return transition != nullptr ? render(*transition) : 0;
        default:
            return 0;
    }
}

std::int32_t SpeedRazorTransition::information(hostkit::SpeedRazorInformation& info) {
    info.value_0 = 2;
    info.value_4 = 2;
    info.name = plugin_name;
    info.description = plugin_description;
    info.value_16 = 1;
    info.value_20 = 0;
    info.value_60 = 0;
    info.has_icon = 0;
    info.icon = nullptr;
    std::memset(info.reserved, 0, sizeof info.reserved);
    switch (hostkit::make_icon_block(m_services.resources, m_services.allocate, m_icon)) {
        case hostkit::IconOutcome::made:
            info.has_icon = 1;
            info.icon = m_icon.pixels;
            break;
        case hostkit::IconOutcome::no_memory:
            platform::show_message_box("Kaleidra Plugin Error", "Not enough memory to create icon.",
                                       platform::MessageKind::warning);
            break;
        case hostkit::IconOutcome::none:
            break;
    }
    return 0;
}

void SpeedRazorTransition::setup(hostkit::SpeedRazorRecord& record) {
    EffectSettings settings;
    if (!settings_initialise(settings)) {
        return;
    }
    hostkit::MovableHandle stored = record.settings;
    if (stored != nullptr) {
        read_stored(settings, stored);
    }
    if (m_services.select != nullptr) {
        (void)m_services.select(record.window, &settings, 0);
    }
    m_driver.refresh_engine();
    // The stored settings are replaced only once their successor exists: a
    // write that fails leaves the user's settings with the host.
    const std::vector<std::uint8_t> block = settings_to_block(settings);
    settings_destroy(settings);
    if (block.empty()) {
        return;
    }
    hostkit::MovableHandle fresh =
        m_services.allocate != nullptr ? m_services.allocate(block.size()) : nullptr;
    void* bytes = hostkit::movable_lock(fresh);
    if (bytes == nullptr) {
        hostkit::movable_free(fresh);
        return;
    }
    std::memcpy(bytes, block.data(), block.size());
    hostkit::movable_unlock(fresh);
    record.settings = fresh;
    hostkit::movable_free(stored);
}

std::int32_t SpeedRazorTransition::render(hostkit::SpeedRazorRecord& record) {
    m_callbacks.clear_abort();
    m_callbacks.bind(record.host_folder, sizeof record.host_folder);
    if (record.settings != nullptr) {
        read_stored(m_driver.settings(), record.settings);
    }
    Result<host::HostPicture> a =
        hostkit::buffer_picture(record.source_a, record.width, record.height);
    Result<host::HostPicture> b =
        hostkit::buffer_picture(record.source_b, record.width, record.height);
    Result<host::HostPicture> output =
        hostkit::buffer_picture(record.destination, record.width, record.height);
    if (!a || !b || !output) {
        return 0;
    }
    // The host's own flags take part in the change test.
    if (record.flags != m_previous_flags) {
        m_driver.invalidate_preparation();
        m_previous_flags = record.flags;
    }
    const std::uint32_t part = record.part > 0 ? static_cast<std::uint32_t>(record.part) : 0;
    const std::uint32_t total = record.total > 0 ? static_cast<std::uint32_t>(record.total) : 0;
    const host::HostPicture sources[2] = {*a, *b};
    host::HostFrame frame;
    frame.sources = sources;
    frame.output = *output;
    frame.quiet = record.final_render != 0 ? host::QuietRule::never : host::QuietRule::always;
    frame.work_folder_images = host::WorkFolderImages::numbered;
    frame.progress = &HostCallbacks::progress_entry;
    frame.abort = &HostCallbacks::abort_entry;
    const FieldPair fields = field_pair(record.flags);
    if ((record.flags & hostkit::speedrazor_fields) != 0) {
        // Both fields, the second half a step later.
        frame.call = host::FrameCall::field_pair;
        frame.field = &fields.first;
        frame.second_field = &fields.second;
        frame.position = part * 2;
        frame.total = total * 2;
    } else {
        frame.call = host::FrameCall::whole_frame;
        frame.position = part;
        frame.total = total;
    }
    if (!host::fill_host_frame(m_driver, frame)) {
        return 0;
    }
    m_driver.render(frame.call);
    return m_callbacks.aborted() ? 1 : 0;
}

}  // namespace kdr::speedrazor
