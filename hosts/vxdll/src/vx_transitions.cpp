#include "vx_transitions.h"

#include <cstring>
#include <limits>

#include "kaleidra/host/host_frame.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/settings_files/numbered_settings.h"
#include "kaleidra/settings_files/numbered_setup.h"
#include "vx_bitmap.h"

namespace kdr::vxdll {
namespace {

using settings_files::vxdll_extension;

constexpr const char* description = "Incredible 3D transitions from Talvane.";

void clear_info(hostkit::VxEffectInfo& info) {
    std::memset(&info, 0, sizeof info);
}

template <std::size_t size>
void copy_text(char (&field)[size], const char* text) {
    static_assert(size > 0);
    std::strncpy(field, text, size - 1);
    field[size - 1] = '\0';
}

// The selection dialog owned by `owner`, when the library has one.
settings_files::ChooseSettings dialog(KdrGuiSelectFn select, KdrOwnerWindow owner) {
    if (select == nullptr) {
        return {};
    }
    return [select, owner](EffectSettings& settings) { return select(owner, &settings, 0); };
}

void start_driver(host::RenderDriver& driver) {
    // Without an engine every render draws nothing.
    (void)driver.attach();
    driver.set_calling_thread(host::CallingThread::own_context);
}

}  // namespace

std::int32_t settings_number(std::int32_t hundreds, std::int32_t units) {
    const std::int64_t number = std::int64_t{hundreds} * 100 + units;
    return number > 0 && number <= std::numeric_limits<std::int32_t>::max()
               ? static_cast<std::int32_t>(number)
               : 0;
}

OlderTransition::OlderTransition(KdrGuiSelectFn select) : m_select(select) {
    start_driver(m_driver);
}

OlderTransition::~OlderTransition() = default;

void OlderTransition::fill_info(hostkit::VxEffectInfo& info) {
    clear_info(info);
    copy_text(info.category, "F/X");
    copy_text(info.name, "* KDR 3.0 *");
    copy_text(info.description, description);
    info.value_200 = 1;
    info.value_204 = 1;
    info.value_208 = 1;
}

void OlderTransition::render(const hostkit::VxBitmapHeader* output_header,
                             std::uint8_t* output_pixels,
                             const hostkit::VxBitmapHeader* source_header, std::uint8_t* a_pixels,
                             std::uint8_t* b_pixels, std::int32_t total, std::int32_t part,
                             std::int32_t hundreds, std::int32_t units) {
    // A file that cannot be read leaves the previous frame's settings.
    (void)settings_files::load_numbered_settings(m_driver.settings(),
                                                 settings_number(hundreds, units), vxdll_extension);
    Result<host::HostPicture> a = bitmap_picture(source_header, a_pixels);
    Result<host::HostPicture> b = bitmap_picture(source_header, b_pixels);
    Result<host::HostPicture> output = bitmap_picture(output_header, output_pixels);
    if (!a || !b || !output) {
        return;
    }
    const host::HostPicture sources[2] = {*a, *b};
    host::HostFrame frame;
    frame.sources = sources;
    frame.output = *output;
    frame.position = part > 0 ? static_cast<std::uint32_t>(part) : 0;
    frame.total = total > 0 ? static_cast<std::uint32_t>(total) : 0;
    if (host::fill_host_frame(m_driver, frame)) {
        m_driver.render(frame.call);
    }
}

std::optional<std::int32_t> OlderTransition::setup(KdrOwnerWindow owner, std::int32_t number) {
    std::optional<std::int32_t> kept =
        settings_files::run_numbered_setup(dialog(m_select, owner), number, vxdll_extension);
    if (kept) {
        m_driver.invalidate_preparation();
    }
    m_driver.refresh_engine();
    return kept;
}

NewerTransition::NewerTransition(KdrGuiSelectFn select) : m_select(select) {
    start_driver(m_driver);
}

NewerTransition::~NewerTransition() = default;

void NewerTransition::fill_info(hostkit::VxEffectInfo& info) {
    clear_info(info);
    copy_text(info.category, "Talvane");
    copy_text(info.name, "KDR 3.0-Talvane");
    copy_text(info.description, description);
    info.value_212 = 256;
    info.value_260 = 4;
    info.value_264 = 40;
}

std::int32_t NewerTransition::apply(std::int32_t selector, void* record, std::int32_t mode) {
    if (record == nullptr) {
        return 1;
    }
    switch (selector) {
        case hostkit::vx5_setup:
            setup(*static_cast<hostkit::Vx5SetupRecord*>(record));
            break;
        case hostkit::vx5_render:
            render(*static_cast<const hostkit::Vx5RenderRecord*>(record), mode);
            break;
        default:
            break;
    }
    return 1;
}

void NewerTransition::setup(hostkit::Vx5SetupRecord& record) {
    const std::int32_t number = record.number != nullptr ? *record.number : 0;
    std::optional<std::int32_t> kept =
        settings_files::run_numbered_setup(dialog(m_select, record.owner), number, vxdll_extension);
    if (kept && record.number != nullptr) {
        *record.number = *kept;
    }
    m_driver.refresh_engine();
}

void NewerTransition::render(const hostkit::Vx5RenderRecord& record, std::int32_t mode) {
    const std::int32_t number = record.number != nullptr ? *record.number : 0;
    (void)settings_files::load_numbered_settings(m_driver.settings(), number, vxdll_extension);
    const FramePlace place = m_clock.advance(record.completion);

    // The frame lies at the offsets within each bitmap; one that does not
    // is refused whole, before any pixel is read or written.
    const FrameArea area{record.x_offset, record.y_offset, record.width, record.height};
    Result<host::HostPicture> a = bitmap_picture(record.a_header, record.a_pixels, area);
    Result<host::HostPicture> b = bitmap_picture(record.b_header, record.b_pixels, area);
    Result<host::HostPicture> output =
        bitmap_picture(record.output_header, record.output_pixels, area);
    if (!a || !b || !output) {
        return;
    }
    // Mode 1 is the field of bit 0x2000, mode 2 that of 0x4000, unless
    // "Reverse_Fields" swaps them.
    host::HostField field;
    const bool reverse = install::read_number("Reverse_Fields") != 0;
    field.parity = (mode == hostkit::vx5_first_field) != reverse ? 1 : 0;
    const bool by_field = mode == hostkit::vx5_first_field || mode == hostkit::vx5_second_field;

    const host::HostPicture sources[2] = {*a, *b};
    host::HostFrame frame;
    frame.sources = sources;
    frame.output = *output;
    frame.position = place.part;
    frame.total = place.total;
    frame.field = by_field ? &field : nullptr;
    if (host::fill_host_frame(m_driver, frame)) {
        m_driver.render(frame.call);
    }
}

}  // namespace kdr::vxdll
