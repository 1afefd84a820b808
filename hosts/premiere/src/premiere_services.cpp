#include "premiere_services.h"

#include <limits>

namespace kdr::premiere {

void PremiereServices::bind() {
    if (m_bound) {
        return;
    }
    // Found by its name among the libraries the host loaded (as an import
    // from the host's library resolves); a host without it offers nothing.
    Result<platform::DynamicLibrary> library =
        platform::DynamicLibrary::open(hostkit::premiere_services_library);
    if (!library) {
        return;
    }
    m_library = std::move(*library);
    m_main_window = reinterpret_cast<hostkit::PremiereMainWindowFn>(
        m_library.symbol(hostkit::premiere_main_window_service));
    m_new_handle = reinterpret_cast<hostkit::PremiereNewHandleFn>(
        m_library.symbol(hostkit::premiere_new_handle_service));
    m_set_handle_size = reinterpret_cast<hostkit::PremiereSetHandleSizeFn>(
        m_library.symbol(hostkit::premiere_set_handle_size_service));
    m_bound = true;
}

std::uintptr_t PremiereServices::main_window() {
    bind();
    return m_main_window != nullptr ? m_main_window() : 0;
}

hostkit::PremiereHandle PremiereServices::new_handle(std::uint32_t size) {
    bind();
    if (m_new_handle == nullptr || size > std::numeric_limits<std::int32_t>::max()) {
        return nullptr;
    }
    return m_new_handle(static_cast<std::int32_t>(size));
}

bool PremiereServices::set_handle_size(hostkit::PremiereHandle handle, std::uint32_t size) {
    bind();
    if (m_set_handle_size == nullptr || handle == nullptr ||
        size > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    return m_set_handle_size(handle, static_cast<std::int32_t>(size)) == 0;
}

}  // namespace kdr::premiere
