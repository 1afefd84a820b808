#include "kaleidra/hostkit/testing/simulated_premiere.h"

#include <cstring>
#include <utility>

namespace kdr::hostkit::test {

SimPixelMap::SimPixelMap(HostPixels pixels) : m_pixels(std::move(pixels)) {
    m_map.left = 0;
    m_map.top = 0;
    m_map.right = m_pixels.width();
    m_map.bottom = m_pixels.height();
    m_map.row_bytes = m_pixels.row_bytes();
    m_map.pixels = m_pixels.data();
}

SimEffect::~SimEffect() {
    if (m_record.specification != nullptr) {
        SimPremiere_DisposeHandle(m_record.specification);
    }
}

std::vector<std::uint8_t> SimEffect::stored() const {
    char** handle = m_record.specification;
    const std::int32_t size = handle != nullptr ? SimPremiere_HandleSize(handle) : -1;
    if (size <= 0 || *handle == nullptr) {
        return {};
    }
    return {*handle, *handle + size};
}

void SimEffect::store(const std::vector<std::uint8_t>& bytes) {
    if (m_record.specification != nullptr) {
        SimPremiere_DisposeHandle(m_record.specification);
    }
    m_record.specification =
        SimPremiere_HandleOf(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

}  // namespace kdr::hostkit::test
