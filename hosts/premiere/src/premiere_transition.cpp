#include "premiere_transition.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "field_plan.h"
#include "kaleidra/host/host_frame.h"
#include "kaleidra/hostkit/host_pictures.h"
#include "kaleidra/hostkit/stored_settings.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::premiere {
namespace {

using hostkit::PixelMapView;

// The block a specification handle holds: its own size word says how long
// it is (Premiere's handles give no size of their own).
std::size_t stored_block_size(hostkit::PremiereHandle handle) {
    if (handle == nullptr || *handle == nullptr) {
        return 0;
    }
    std::uint32_t size = 0;
    std::memcpy(&size, *handle, sizeof size);
    return size;
}

bool is_thumbnail(std::int32_t width, std::int32_t height) {
    return (width == 118 && height == 88) || (width == 32 && height == 32);
}

}  // namespace

PremiereTransition::PremiereTransition(KdrGuiSelectFn select) : m_select(select) {
    // Without an engine (none named, or not loadable) frames render
    // nothing; the host sees its destination as it was.
    (void)m_driver.attach();
}

PremiereTransition::~PremiereTransition() = default;

std::int32_t PremiereTransition::call(std::int16_t selector, hostkit::PremiereEffectHandle effect) {
    switch (selector) {
        case hostkit::premiere_effect_render:
            if (effect != nullptr && *effect != nullptr) {
                render(**effect);
            }
            break;
        case hostkit::premiere_effect_setup:
            if (effect != nullptr && *effect != nullptr) {
                setup(**effect);
            }
            break;
        default:
            platform::show_message_box("Kaleidra Plugin Error", "Invalid function from Premiere",
                                       platform::MessageKind::error);
            break;
    }
    return 0;
}

void PremiereTransition::setup(hostkit::PremiereEffectRecord& effect) {
    EffectSettings settings;
    if (!settings_initialise(settings)) {
        return;
    }
    if (effect.specification != nullptr) {
        // Unreadable stored settings leave the record as initialised.
        (void)hostkit::load_stored_settings(settings, *effect.specification,
                                            stored_block_size(effect.specification));
    }
    // Premiere's main window owns the dialog (this platform has no "last
    // active pop-up" of a window to prefer). The result is not examined:
    // the record holds the user's choice or, cancelled, what it held.
    if (m_select != nullptr) {
        (void)m_select(m_services.main_window(), &settings, 0);
    }
    m_driver.refresh_engine();
    store_settings(effect, settings);
    settings_destroy(settings);
}

void PremiereTransition::store_settings(hostkit::PremiereEffectRecord& effect,
                                        const EffectSettings& settings) {
    const std::vector<std::uint8_t> block = settings_to_block(settings);
    if (block.empty()) {
        return;  // out of memory: the handle stays as it was
    }
    const auto size = static_cast<std::uint32_t>(block.size());
    if (effect.specification == nullptr) {
        hostkit::PremiereHandle handle = m_services.new_handle(size);
        if (handle == nullptr || *handle == nullptr) {
            return;
        }
        effect.specification = handle;
    } else if (!m_services.set_handle_size(effect.specification, size) ||
               *effect.specification == nullptr) {
        // A block that could not grow would not hold the stream.
        return;
    }
    std::memcpy(*effect.specification, block.data(), block.size());
}

void PremiereTransition::render(hostkit::PremiereEffectRecord& effect) {
    if (effect.specification != nullptr) {
        // Unreadable stored settings leave the previous call's.
        (void)hostkit::load_stored_settings(m_driver.settings(), *effect.specification,
                                            stored_block_size(effect.specification));
    }
    Result<PixelMapView> a = hostkit::view_pixel_map(effect.source_a);
    Result<PixelMapView> b = hostkit::view_pixel_map(effect.source_b);
    Result<PixelMapView> destination = hostkit::view_pixel_map(effect.destination);
    if (!a || !b || !destination) {
        return;
    }
    const std::int32_t width = a->width;
    const std::int32_t height = a->height;
    Result<host::HostPicture> a_picture = hostkit::pixel_map_picture(*a, width, height);
    Result<host::HostPicture> b_picture = hostkit::pixel_map_picture(*b, width, height);
    Result<host::HostPicture> output = hostkit::pixel_map_picture(*destination, width, height);
    if (!a_picture || !b_picture || !output) {
        return;
    }
    host::make_opaque(*a_picture);
    host::make_opaque(*b_picture);

    const std::int32_t part = std::max(effect.part, 0);
    const std::int32_t total = std::max(effect.total, 0);
    const std::optional<FieldPlan> plan = field_plan(effect.field_bits, part);
    const host::HostPicture sources[2] = {*a_picture, *b_picture};
    host::HostFrame frame;
    frame.call = plan ? plan->call : host::FrameCall::whole_frame;
    frame.sources = sources;
    frame.output = *output;
    frame.position = static_cast<std::uint32_t>(part);
    frame.total = static_cast<std::uint32_t>(total);
    frame.field = plan ? &plan->field : nullptr;
    frame.work_folder_images = host::WorkFolderImages::numbered_by_parity;

    if (!is_thumbnail(width, height)) {
        frame.quiet = host::QuietRule::by_size;
        if (host::fill_host_frame(m_driver, frame)) {
            m_driver.render(frame.call);
        }
        return;
    }
    // Premiere's transition thumbnails: quiet, one thread, and the ends
    // copied from the sources without the engine.
    frame.quiet = host::QuietRule::always;
    frame.slot = 0;
    if (!host::fill_host_frame(m_driver, frame)) {
        return;
    }
    m_driver.begin_frame(0);
    if (part == 0) {
        hostkit::copy_pixel_map_rows(*a, *destination, width, height);
    } else if (part == total) {
        hostkit::copy_pixel_map_rows(*b, *destination, width, height);
    } else {
        m_driver.dispatch_single();
    }
    m_driver.end_frame(0, true);
}

}  // namespace kdr::premiere
