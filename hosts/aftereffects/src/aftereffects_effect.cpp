#include "aftereffects_effect.h"

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "completion.h"
#include "effect_parameters.h"
#include "kaleidra/host/host_frame.h"
#include "kaleidra/hostkit/stored_settings.h"
#include "kaleidra/scene/effect_settings.h"
#include "layer_pictures.h"

namespace kdr::aftereffects {
namespace {

constexpr std::uint32_t effect_version = 0x00183600;
constexpr std::int32_t global_out_flags = 0x8A5;
constexpr std::int32_t sequence_out_flags = 0x80;
constexpr int source_slots = last_source_parameter - first_source_parameter + 1;

}  // namespace

AfterEffectsEffect::AfterEffectsEffect(const EffectServices& services) : m_services(services) {
    // Without an engine (none named, or not loadable) frames render
    // nothing; the output keeps what the host put there.
    (void)m_driver.attach();
    // Without multi-rendering the effect draws on the host's thread with a
    // context of its own.
    m_driver.set_calling_thread(host::CallingThread::own_context);
}

AfterEffectsEffect::~AfterEffectsEffect() = default;

std::int32_t AfterEffectsEffect::call(std::int32_t command, hostkit::AeInRecord* in,
                                      hostkit::AeOutRecord* out, hostkit::AeParam** params,
                                      hostkit::AeLayer* output) {
    switch (command) {
        case hostkit::ae_command_about:
            if (m_services.about != nullptr) {
                (void)m_services.about(0, nullptr, nullptr);
            }
            return 0;
        case hostkit::ae_command_global_setup:
            if (out != nullptr) {
                out->my_version = effect_version;
                out->out_flags |= global_out_flags;
            }
            return 0;
        case hostkit::ae_command_params_setup:
            return in != nullptr && out != nullptr ? add_parameters(*in, *out) : 0;
        case hostkit::ae_command_sequence_setup:
            if (out != nullptr) {
                out->out_flags |= sequence_out_flags;
            }
            return 0;
        case hostkit::ae_command_options:
            if (in != nullptr && out != nullptr) {
                options(*in, *out);
            }
            return 0;
        case hostkit::ae_command_render:
            return in != nullptr && params != nullptr && output != nullptr
                       ? render(*in, params, *output)
                       : 0;
        default:
            return 0;
    }
}

bool AfterEffectsEffect::read_sequence_data(const hostkit::AeInRecord& in,
                                            EffectSettings& settings) {
    const hostkit::AeUtilities* utilities = in.utilities;
    if (in.sequence_data == nullptr || utilities == nullptr || utilities->lock_handle == nullptr) {
        return false;
    }
    const void* block = utilities->lock_handle(in.sequence_data);
    bool read = false;
    if (block != nullptr) {
        // The block's own size word says how long it is.
        std::uint32_t size = 0;
        std::memcpy(&size, block, sizeof size);
        read = hostkit::load_stored_settings(settings, block, size);
    }
    if (utilities->unlock_handle != nullptr) {
        utilities->unlock_handle(in.sequence_data);
    }
    return read;
}

void AfterEffectsEffect::options(hostkit::AeInRecord& in, hostkit::AeOutRecord& out) {
    EffectSettings settings;
    if (!settings_initialise(settings)) {
        return;
    }
    // Unreadable stored settings leave the record as initialised.
    (void)read_sequence_data(in, settings);
    if (m_services.select != nullptr) {
        (void)m_services.select(0, &settings, 0);
    }
    // A new engine named in the dialog frees every context and is loaded
    // now; the next render prepares it.
    m_driver.refresh_engine();

    const std::vector<std::uint8_t> block = settings_to_block(settings);
    settings_destroy(settings);
    const hostkit::AeUtilities* utilities = in.utilities;
    if (block.empty() || utilities == nullptr || utilities->new_handle == nullptr ||
        utilities->lock_handle == nullptr) {
        return;  // the sequence data stays as it was
    }
    hostkit::AeHandle handle = utilities->new_handle(static_cast<std::uint32_t>(block.size()));
    if (handle == nullptr) {
        return;
    }
    void* bytes = utilities->lock_handle(handle);
    if (bytes == nullptr) {
        if (utilities->dispose_handle != nullptr) {
            utilities->dispose_handle(handle);
        }
        return;
    }
    std::memcpy(bytes, block.data(), block.size());
    if (utilities->unlock_handle != nullptr) {
        utilities->unlock_handle(handle);
    }
    out.sequence_data = handle;
}

std::int32_t AfterEffectsEffect::render(hostkit::AeInRecord& in, hostkit::AeParam** params,
                                        hostkit::AeLayer& output) {
    m_calls.begin(&in);
    struct EndCall {
        HostCalls& calls;
        ~EndCall() { calls.end(); }
    } end_call{m_calls};

    // Unreadable stored settings leave the previous call's.
    (void)read_sequence_data(in, m_driver.settings());

    if (params[0] == nullptr) {
        return 0;
    }
    Result<host::HostPicture> input = layer_picture(params[0]->u.layer);
    Result<host::HostPicture> destination = layer_picture(output);
    if (!input || !destination) {
        return 0;
    }
    const RgbaCopy source_a(*input);

    // Layers 2 to 20 at the current time; a layer the host does not hand
    // out leaves its slot empty and the count where it was.
    std::array<std::optional<RgbaCopy>, source_slots> sources;
    std::uint32_t image_count = 1;
    std::int32_t service_result = 0;
    if (in.services.checkout_param != nullptr) {
        for (std::int32_t index = first_source_parameter; index <= last_source_parameter; ++index) {
            hostkit::AeParam layer{};
            service_result = in.services.checkout_param(in.effect_ref, index, in.current_time,
                                                        in.time_step, in.time_scale, &layer);
            if (service_result != 0) {
                continue;
            }
            if (Result<host::HostPicture> picture = layer_picture(layer.u.layer)) {
                sources[index - first_source_parameter].emplace(*picture);
                image_count = static_cast<std::uint32_t>(index);
            }
            if (in.services.checkin_param != nullptr) {
                service_result = in.services.checkin_param(in.effect_ref, &layer);
            }
        }
    }

    const std::int32_t slider =
        params[completion_parameter] != nullptr ? params[completion_parameter]->u.slider.value : 0;
    const Completion span = completion(in.total_time, in.time_step, slider);
    const host::HostPicture first[1] = {source_a.picture()};
    host::HostFrame frame;
    frame.call = host::FrameCall::whole_frame;
    frame.sources = first;
    frame.output = *destination;
    frame.position = span.part;
    frame.total = span.total;
    frame.quiet = host::QuietRule::by_size;
    frame.progress = &HostCalls::progress_entry;
    frame.abort = &HostCalls::abort_entry;
    if (!host::fill_host_frame(m_driver, frame)) {
        return service_result;
    }
    FrameRecord& record = m_driver.frame(0);
    for (int slot = 0; slot < source_slots; ++slot) {
        if (sources[slot]) {
            // A copy that cannot be described stays out, as a missing layer.
            (void)host::describe_host_picture(record.images[slot + 1], sources[slot]->picture());
        }
    }
    record.image_count = image_count;
    m_driver.render(frame.call);
    const std::int32_t aborted = m_calls.abort_result();
    return aborted != 0 ? aborted : service_result;
}

}  // namespace kdr::aftereffects
