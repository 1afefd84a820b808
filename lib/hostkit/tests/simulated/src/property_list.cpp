#include "kaleidra/hostkit/testing/property_list.h"

#include <algorithm>
#include <cstring>

namespace kdr::hostkit::test {
namespace {

std::uint32_t u32_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

}  // namespace

std::uint32_t Property::number() const {
    std::uint32_t value = 0;
    std::memcpy(&value, data.data(), std::min(data.size(), sizeof value));
    return value;
}

std::string Property::pascal_text() const {
    if (data.empty() || data[0] + 1u > data.size()) {
        return {};
    }
    return std::string(data.begin() + 1, data.begin() + 1 + data[0]);
}

Result<std::vector<Property>> read_property_list(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8) {
        return Error{"the list is shorter than its header"};
    }
    const std::uint32_t count = u32_at(bytes, 4);
    std::vector<Property> properties;
    std::size_t at = 8;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - at < 16) {
            return Error{"property " + std::to_string(i) + " runs past the end"};
        }
        Property property;
        property.vendor.assign(reinterpret_cast<const char*>(bytes.data() + at), 4);
        property.key.assign(reinterpret_cast<const char*>(bytes.data() + at + 4), 4);
        const std::uint32_t length = u32_at(bytes, at + 12);
        at += 16;
        const std::size_t padded = (std::size_t{length} + 3) / 4 * 4;
        if (bytes.size() - at < padded) {
            return Error{"the data of " + property.key + " runs past the end"};
        }
        property.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += padded;
        properties.push_back(std::move(property));
    }
    if (at != bytes.size()) {
        return Error{"bytes follow the last property"};
    }
    return properties;
}

}  // namespace kdr::hostkit::test
