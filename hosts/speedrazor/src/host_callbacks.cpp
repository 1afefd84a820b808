#include "host_callbacks.h"

#include <cstring>

namespace kdr::speedrazor {
namespace {

// The library's one instance, which the entries reach.
std::atomic<HostCallbacks*> current{nullptr};

}  // namespace

HostCallbacks::HostCallbacks() {
    current.store(this);
}

HostCallbacks::~HostCallbacks() {
    release();
    HostCallbacks* self = this;
    current.compare_exchange_strong(self, nullptr);
}

void HostCallbacks::bind(const char* host_folder, std::size_t folder_size) {
    if (m_library.loaded() || host_folder == nullptr) {
        return;
    }
    // The folder ends in a separator; a name without its end inside the
    // record's field is not a folder.
    const std::size_t length = strnlen(host_folder, folder_size);
    if (length == folder_size) {
        return;
    }
    const std::string file = std::string(host_folder, length) +
                             hostkit::speedrazor_callback_library + "." +
                             platform::DynamicLibrary::suffix();
    Result<platform::DynamicLibrary> library = platform::DynamicLibrary::open(file);
    if (!library) {
        return;
    }
    m_library = std::move(*library);
    auto get = reinterpret_cast<hostkit::SpeedRazorGetCallbackFn>(
        m_library.symbol(hostkit::speedrazor_get_callback));
    if (get == nullptr) {
        return;
    }
    m_progress.store(
        reinterpret_cast<hostkit::SpeedRazorProgressFn>(get(hostkit::speedrazor_progress_service)));
    m_test_abort.store(
        reinterpret_cast<hostkit::SpeedRazorTestAbortFn>(get(hostkit::speedrazor_abort_service)));
}

void HostCallbacks::release() {
    m_progress.store(nullptr);
    m_test_abort.store(nullptr);
    m_library.release();
}

int HostCallbacks::progress_entry(int percent) {
    HostCallbacks* self = current.load();
    if (self == nullptr) {
        return 0;
    }
    if (hostkit::SpeedRazorProgressFn progress = self->m_progress.load()) {
        progress(percent, 100);
    }
    return 0;
}

int HostCallbacks::abort_entry(int) {
    HostCallbacks* self = current.load();
    if (self == nullptr) {
        return 0;
    }
    if (self->m_aborted.load() != 0) {
        return 1;
    }
    hostkit::SpeedRazorTestAbortFn test_abort = self->m_test_abort.load();
    if (test_abort != nullptr && test_abort() != 0) {
        self->m_aborted.store(1);
        return 1;
    }
    return 0;
}

}  // namespace kdr::speedrazor
