#include "photoshop_filter.h"

#include <cstring>
#include <string>
#include <vector>

#include "kaleidra/hostkit/host_pictures.h"
#include "kaleidra/hostkit/still_render.h"
#include "kaleidra/hostkit/stored_settings.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/scene/effect_settings.h"
#include "parameter_handle.h"
#include "pixel_rows.h"
#include "plugin_strings.h"

namespace kdr::photoshop {
namespace {

// The library's one instance, which the engine's entries reach.
std::atomic<PhotoshopFilter*> current{nullptr};

constexpr const char* message_title = "Kaleidra 3.0";

void set_empty(hostkit::PsRect& rect) {
    rect = hostkit::PsRect{0, 0, 0, 0};
}

hostkit::PsRect row_rect(const hostkit::PsRect& filter, std::int32_t row) {
    return hostkit::PsRect{filter.top + row, filter.left, filter.top + row + 1, filter.right};
}

// Settings read from a parameter handle of the filter's own.
void read_parameters(hostkit::PsHandle handle, EffectSettings& settings) {
    if (std::optional<std::span<const std::uint8_t>> bytes = parameter_bytes(handle)) {
        // Unreadable settings leave the record as it was.
        (void)hostkit::load_stored_settings(settings, bytes->data(), bytes->size());
    }
}

}  // namespace

PhotoshopFilter::PhotoshopFilter(const FilterServices& services) : m_services(services) {
    current.store(this);
}

PhotoshopFilter::~PhotoshopFilter() {
    PhotoshopFilter* self = this;
    current.compare_exchange_strong(self, nullptr);
}

std::uintptr_t PhotoshopFilter::window_of(const hostkit::PsPlatformData* platform) const {
    return platform != nullptr ? platform->window : 0;
}

void PhotoshopFilter::message(const std::string& text, int kind) const {
    platform::show_message_box(
        kind == 0 ? "" : message_title, text,
        kind == 0 ? platform::MessageKind::warning : platform::MessageKind::error);
}

void PhotoshopFilter::call(std::int16_t selector, void* record, std::intptr_t*,
                           std::int16_t* result) {
    if (result == nullptr) {
        return;
    }
    *result = 0;
    if (selector == hostkit::ps_selector_about) {
        const auto* about = static_cast<const hostkit::PsAboutRecord*>(record);
        if (m_services.about != nullptr) {
            (void)m_services.about(about != nullptr ? window_of(about->platform_data) : 0, nullptr,
                                   nullptr);
        }
        return;
    }
    if (selector < hostkit::ps_selector_parameters || selector > hostkit::ps_selector_finish) {
        *result = hostkit::ps_result_bad_selector;
        return;
    }
    if (record == nullptr) {
        return;
    }
    auto& filter = *static_cast<hostkit::PsFilterRecord*>(record);
    switch (selector) {
        case hostkit::ps_selector_parameters:
            *result = parameters(filter);
            break;
        case hostkit::ps_selector_prepare:
            filter.buffer_space = filter.max_space / 2;
            break;
        case hostkit::ps_selector_start:
            *result = run(filter);
            break;
        case hostkit::ps_selector_continue:
            set_empty(filter.in_rect);
            set_empty(filter.out_rect);
            break;
        default:
            break;
    }
}

std::int16_t PhotoshopFilter::parameters(hostkit::PsFilterRecord& record) {
    EffectSettings settings;
    if (!settings_initialise(settings)) {
        return 0;
    }
    read_parameters(record.parameters, settings);
    std::int16_t result = 0;
    if (m_services.select != nullptr &&
        m_services.select(window_of(record.platform_data), &settings, 1) != 0) {
        result = 1;  // the host stops without a message of its own
    }
    // Whatever the dialog returned, the settings are stored; the old handle
    // goes only once the new one holds them.
    const std::vector<std::uint8_t> block = settings_to_block(settings);
    settings_destroy(settings);
    if (!block.empty()) {
        if (hostkit::PsHandle fresh = make_parameter_handle(block, m_services.allocate)) {
            dispose_parameter_handle(record.parameters);
            record.parameters = fresh;
        }
    }
    return result;
}

std::int16_t PhotoshopFilter::run(hostkit::PsFilterRecord& record) {
    if (record.advance_state_proc == nullptr) {
        message(plugin_string(m_services.resources, string_needs_version, {"", "3.0"}), 0);
        return 1;
    }
    EffectSettings settings;
    if (!settings_initialise(settings)) {
        return 1;
    }
    struct Destroy {
        EffectSettings& settings;
        ~Destroy() { settings_destroy(settings); }
    } destroy{settings};
    read_parameters(record.parameters, settings);
    Result<hostkit::FilterValues> values = hostkit::filter_values(settings);
    if (!values) {
        message(values.error(), 1);
        return 1;
    }
    const std::int32_t width = record.filter_rect.right - record.filter_rect.left;
    const std::int32_t height = record.filter_rect.bottom - record.filter_rect.top;
    if (width <= 0 || height <= 0) {
        return 0;  // nothing to filter
    }
    if (width > hostkit::max_picture_side || height > hostkit::max_picture_side ||
        record.planes < colour_planes) {
        message(plugin_string(m_services.resources, string_incompatible), 1);
        return 1;
    }

    // Image slot n and the output, both rows bottom first.
    const std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> source(row_bytes * static_cast<std::size_t>(height), 0);
    std::vector<std::uint8_t> output(source.size(), 0);
    record.in_lo_plane = 0;
    record.in_hi_plane = static_cast<std::int16_t>(record.planes - 1);
    record.out_lo_plane = 0;
    record.out_hi_plane = static_cast<std::int16_t>(record.planes - 1);
    record.in_rect.left = record.out_rect.left = record.filter_rect.left;
    record.in_rect.right = record.out_rect.right = record.filter_rect.right;

    for (std::int32_t row = 0; row < height; ++row) {
        record.in_rect = row_rect(record.filter_rect, row);
        record.mask_rect = record.in_rect;
        if (record.advance_state_proc() != 0) {
            break;  // what was copied is rendered
        }
        if (record.in_data == nullptr || record.in_column_bytes < colour_planes) {
            break;
        }
        // The host says how its buffer is laid out with each row.
        read_row(static_cast<const std::uint8_t*>(record.in_data), record.in_column_bytes,
                 input_masks(record), static_cast<const std::uint8_t*>(record.mask_data), width,
                 source.data() + row_bytes * static_cast<std::size_t>(height - 1 - row));
    }

    // The engine of this run.
    hostkit::StillFrame still;
    still.picture.pixels = source.data();
    still.picture.format = format_rgba;
    still.picture.bytes_per_pixel = 4;
    still.picture.row_order = row_order_bottom_up;
    still.picture.width = static_cast<std::uint32_t>(width);
    still.picture.height = static_cast<std::uint32_t>(height);
    still.output = still.picture;
    still.output.pixels = output.data();
    still.output.format = format_bgra;
    still.values = *values;
    still.background[0] = record.background.red / 65535.0f;
    still.background[1] = record.background.green / 65535.0f;
    still.background[2] = record.background.blue / 65535.0f;
    still.progress = &PhotoshopFilter::progress_entry;
    still.abort = &PhotoshopFilter::abort_entry;
    m_aborted.store(false);
    m_running.store(&record);
    const hostkit::StillResult rendered = hostkit::render_still(settings, still);
    m_running.store(nullptr);

    set_empty(record.in_rect);
    set_empty(record.out_rect);
    if (m_aborted.load()) {
        return hostkit::ps_result_user_cancelled;
    }
    if (rendered.outcome != hostkit::StillOutcome::drawn) {
        message(rendered.message, 1);
        return 1;
    }
    for (std::int32_t row = 0; row < height; ++row) {
        record.out_rect = row_rect(record.filter_rect, row);
        if (record.advance_state_proc() != 0 || record.out_data == nullptr ||
            record.out_column_bytes < colour_planes) {
            break;
        }
        write_row(output.data() + row_bytes * static_cast<std::size_t>(height - 1 - row), width,
                  output_masks(record), record.out_column_bytes,
                  static_cast<std::uint8_t*>(record.out_data));
    }
    set_empty(record.out_rect);
    return 0;
}

int PhotoshopFilter::progress_entry(int percent) {
    PhotoshopFilter* self = current.load();
    hostkit::PsFilterRecord* record = self != nullptr ? self->m_running.load() : nullptr;
    if (record != nullptr && record->progress_proc != nullptr) {
        record->progress_proc(percent, 100);
    }
    return 0;
}

int PhotoshopFilter::abort_entry(int) {
    PhotoshopFilter* self = current.load();
    hostkit::PsFilterRecord* record = self != nullptr ? self->m_running.load() : nullptr;
    if (record == nullptr) {
        return 0;
    }
    if (self->m_aborted.load()) {
        return 1;
    }
    if (record->abort_proc != nullptr && record->abort_proc() != 0) {
        self->m_aborted.store(true);
        return 1;
    }
    return 0;
}

}  // namespace kdr::photoshop
