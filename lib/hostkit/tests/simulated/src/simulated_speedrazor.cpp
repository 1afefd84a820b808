#include "kaleidra/hostkit/testing/simulated_speedrazor.h"

#include <cstring>
#include <fstream>

#include "kaleidra/hostkit/movable_memory.h"

namespace kdr::hostkit::test {

std::filesystem::path simulated_callback_library() {
    return KDR_SIM_CALLBACK_LIBRARY;
}

SimSpeedRazor::SimSpeedRazor(std::int32_t width, std::int32_t height,
                             const std::filesystem::path& host_folder)
    : m_a(width, height, 0, 0x11),
      m_b(width, height, 0, 0x99),
      m_destination(width, height, 0, 0xEE) {
    m_record.source_a = m_a.data();
    m_record.source_b = m_b.data();
    m_record.destination = m_destination.data();
    m_record.width = width;
    m_record.height = height;
    m_record.part = 0;
    m_record.total = 10;
    m_record.final_render = 1;
    std::string folder = host_folder.string();
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    std::strncpy(m_record.host_folder, folder.c_str(), sizeof m_record.host_folder - 1);
}

SimSpeedRazor::~SimSpeedRazor() {
    movable_free(m_record.settings);
}

void SimSpeedRazor::set_sources(const HostPixels& a, const HostPixels& b) {
    m_a = a;
    m_b = b;
    m_record.source_a = m_a.data();
    m_record.source_b = m_b.data();
}

std::vector<std::uint8_t> SimSpeedRazor::stored() const {
    const std::uint32_t size = movable_size(m_record.settings);
    const auto* bytes = static_cast<const std::uint8_t*>(movable_lock(m_record.settings));
    if (bytes == nullptr) {
        return {};
    }
    std::vector<std::uint8_t> copy(bytes, bytes + size);
    movable_unlock(m_record.settings);
    return copy;
}

void SimSpeedRazor::store(const std::vector<std::uint8_t>& bytes) {
    movable_free(m_record.settings);
    m_record.settings = movable_allocate(bytes.size());
    if (void* data = movable_lock(m_record.settings)) {
        std::memcpy(data, bytes.data(), bytes.size());
        movable_unlock(m_record.settings);
    }
}

std::vector<std::string> callback_log(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace kdr::hostkit::test
