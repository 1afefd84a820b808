#include "kaleidra/hostkit/testing/simulated_aftereffects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>

namespace kdr::hostkit::test {

namespace {

struct Handle {
    std::vector<std::uint8_t> bytes;
    void* pointer = nullptr;
    int locks = 0;
};

// The host's handles; one simulated host at a time.
std::list<std::unique_ptr<Handle>>& handles() {
    static std::list<std::unique_ptr<Handle>> all;
    return all;
}

}  // namespace

AeLayerPixels::AeLayerPixels(std::int32_t width, std::int32_t height, std::int32_t row_pixels,
                             std::uint8_t fill)
    : m_width(width),
      m_height(height),
      m_row_bytes((row_pixels > 0 ? row_pixels : width) * 4),
      m_bytes(static_cast<std::size_t>(m_row_bytes) * static_cast<std::size_t>(height), fill) {}

AeLayerPixels AeLayerPixels::from_picture(const kdr::test::Picture& picture, std::uint8_t alpha,
                                          std::int32_t row_pixels) {
    AeLayerPixels pixels(static_cast<std::int32_t>(picture.width),
                         static_cast<std::int32_t>(picture.height), row_pixels, 0x3A);
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        for (std::uint32_t x = 0; x < picture.width; ++x) {
            const std::uint8_t* rgb = picture.at(x, y);
            std::uint8_t* argb =
                pixels.pixel(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
            argb[0] = alpha;
            argb[1] = rgb[0];
            argb[2] = rgb[1];
            argb[3] = rgb[2];
        }
    }
    return pixels;
}

kdr::test::Picture AeLayerPixels::to_picture() const {
    kdr::test::Picture picture(static_cast<std::uint32_t>(m_width),
                               static_cast<std::uint32_t>(m_height));
    for (std::int32_t y = 0; y < m_height; ++y) {
        for (std::int32_t x = 0; x < m_width; ++x) {
            const std::uint8_t* argb = pixel(x, y);
            std::memcpy(picture.at(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)),
                        argb + 1, 3);
        }
    }
    return picture;
}

AeLayer AeLayerPixels::layer() {
    AeLayer layer{};
    layer.data = m_bytes.empty() ? nullptr : m_bytes.data();
    layer.row_bytes = m_row_bytes;
    layer.width = m_width;
    layer.height = m_height;
    layer.extent_hint[2] = m_width;
    layer.extent_hint[3] = m_height;
    return layer;
}

std::uint8_t* AeLayerPixels::pixel(std::int32_t x, std::int32_t y) {
    return m_bytes.data() + static_cast<std::size_t>(y) * m_row_bytes +
           static_cast<std::size_t>(x) * 4;
}

const std::uint8_t* AeLayerPixels::pixel(std::int32_t x, std::int32_t y) const {
    return m_bytes.data() + static_cast<std::size_t>(y) * m_row_bytes +
           static_cast<std::size_t>(x) * 4;
}

SimAfterEffects::SimAfterEffects(const AeLayerPixels& input, std::int32_t output_width,
                                 std::int32_t output_height, std::int32_t duration)
    : m_input(input), m_output(output_width, output_height, output_width + 3, 0xC4) {
    m_utilities.new_handle = &new_handle;
    m_utilities.lock_handle = &lock_handle;
    m_utilities.unlock_handle = &unlock_handle;
    m_utilities.dispose_handle = &dispose_handle;
    m_in.services.checkout_param = &checkout;
    m_in.services.checkin_param = &checkin;
    m_in.services.add_param = &add_param;
    m_in.services.abort = &abort_test;
    m_in.services.progress = &progress_report;
    m_in.utilities = &m_utilities;
    m_in.effect_ref = this;
    m_in.version_major = 11;
    m_in.time_scale = 30;
    m_in.time_step = 1;
    m_in.current_time = 0;
    m_in.total_time = duration;
    m_input_param.param_type = ae_param_layer;
    m_slider_param.param_type = ae_param_fixed_slider;
}

SimAfterEffects::~SimAfterEffects() {
    handles().clear();
}

std::int32_t SimAfterEffects::command(AeEntry entry, std::int32_t command) {
    m_input_param.u.layer = m_input.layer();
    m_output_layer = m_output.layer();
    m_out.sequence_data = m_in.sequence_data;
    const std::int32_t result = entry(command, &m_in, &m_out, m_params, &m_output_layer);
    m_in.sequence_data = m_out.sequence_data;
    return result;
}

void SimAfterEffects::set_completion(double percent) {
    m_slider_param.u.slider.value = static_cast<std::int32_t>(std::lround(percent * 65536.0));
}

void SimAfterEffects::set_source(std::int32_t index, const AeLayerPixels& pixels) {
    m_sources[index] = pixels;
}

void SimAfterEffects::fail_checkout(std::int32_t index, std::int32_t error) {
    m_failing_checkouts[index] = error;
}

void SimAfterEffects::fail_add(int call, std::int32_t error) {
    m_fail_add_call = call;
    m_fail_add_error = error;
}

void SimAfterEffects::abort_from(int call, std::int32_t code) {
    m_abort_from = call;
    m_abort_code = code;
}

void SimAfterEffects::store(const std::vector<std::uint8_t>& bytes) {
    AeHandle handle = new_handle(static_cast<std::uint32_t>(bytes.size()));
    std::memcpy(*handle, bytes.data(), bytes.size());
    m_in.sequence_data = handle;
}

std::vector<std::uint8_t> SimAfterEffects::stored() const {
    for (const auto& handle : handles()) {
        if (&handle->pointer == m_in.sequence_data) {
            return handle->bytes;
        }
    }
    return {};
}

std::size_t SimAfterEffects::live_handles() const {
    return handles().size();
}

int SimAfterEffects::locked_handles() const {
    int locked = 0;
    for (const auto& handle : handles()) {
        locked += handle->locks > 0 ? 1 : 0;
    }
    return locked;
}

AeHandle SimAfterEffects::new_handle(std::uint32_t size) {
    auto handle = std::make_unique<Handle>();
    handle->bytes.assign(size, 0xAB);
    handle->pointer = handle->bytes.data();
    AeHandle result = &handle->pointer;
    handles().push_back(std::move(handle));
    return result;
}

void* SimAfterEffects::lock_handle(AeHandle handle) {
    for (const auto& each : handles()) {
        if (&each->pointer == handle) {
            ++each->locks;
            return each->pointer;
        }
    }
    return nullptr;
}

void SimAfterEffects::unlock_handle(AeHandle handle) {
    for (const auto& each : handles()) {
        if (&each->pointer == handle && each->locks > 0) {
            --each->locks;
        }
    }
}

void SimAfterEffects::dispose_handle(AeHandle handle) {
    handles().remove_if([handle](const auto& each) { return &each->pointer == handle; });
}

std::int32_t SimAfterEffects::checkout(void* ref, std::int32_t index, std::int32_t time,
                                       std::int32_t step, std::uint32_t scale, AeParam* param) {
    auto* host = static_cast<SimAfterEffects*>(ref);
    ++host->m_checkouts;
    if (time != host->m_in.current_time || step != host->m_in.time_step ||
        scale != host->m_in.time_scale) {
        return 7;  // only the call's own time is checked out
    }
    if (auto failing = host->m_failing_checkouts.find(index);
        failing != host->m_failing_checkouts.end()) {
        return failing->second;
    }
    *param = AeParam{};
    param->param_type = ae_param_layer;
    if (auto source = host->m_sources.find(index); source != host->m_sources.end()) {
        param->u.layer = source->second.layer();
    }
    ++host->m_checked_out_now;
    return 0;
}

std::int32_t SimAfterEffects::checkin(void* ref, AeParam*) {
    auto* host = static_cast<SimAfterEffects*>(ref);
    ++host->m_checkins;
    --host->m_checked_out_now;
    return 0;
}

std::int32_t SimAfterEffects::add_param(void* ref, std::int32_t, AeParam* param) {
    auto* host = static_cast<SimAfterEffects*>(ref);
    if (static_cast<int>(host->m_added.size()) + 1 == host->m_fail_add_call) {
        return host->m_fail_add_error;
    }
    host->m_added.push_back(*param);
    return 0;
}

std::int32_t SimAfterEffects::abort_test(void* ref) {
    auto* host = static_cast<SimAfterEffects*>(ref);
    const int calls = ++host->m_abort_tests;
    return host->m_abort_from > 0 && calls >= host->m_abort_from ? host->m_abort_code : 0;
}

std::int32_t SimAfterEffects::progress_report(void* ref, std::int32_t current, std::int32_t total) {
    auto* host = static_cast<SimAfterEffects*>(ref);
    if (total == 100) {
        host->m_progress.push_back(current);
    }
    return 0;
}

}  // namespace kdr::hostkit::test
