#include "host_calls.h"

namespace kdr::aftereffects {
namespace {

// The library's one instance, which the entries reach.
std::atomic<HostCalls*> current{nullptr};

}  // namespace

HostCalls::HostCalls() {
    current.store(this);
}

HostCalls::~HostCalls() {
    HostCalls* self = this;
    current.compare_exchange_strong(self, nullptr);
}

void HostCalls::begin(hostkit::AeInRecord* in) {
    m_abort_result.store(0);
    m_in.store(in);
}

void HostCalls::end() {
    m_in.store(nullptr);
}

int HostCalls::progress_entry(int percent) {
    HostCalls* self = current.load();
    hostkit::AeInRecord* in = self != nullptr ? self->m_in.load() : nullptr;
    if (in != nullptr && in->services.progress != nullptr) {
        in->services.progress(in->effect_ref, percent, 100);
    }
    return 0;
}

int HostCalls::abort_entry(int) {
    HostCalls* self = current.load();
    hostkit::AeInRecord* in = self != nullptr ? self->m_in.load() : nullptr;
    if (in == nullptr) {
        return 0;
    }
    if (self->m_abort_result.load() != 0) {
        return 1;  // stopped already: the other half stops too
    }
    if (in->services.abort == nullptr) {
        return 0;
    }
    const std::int32_t answer = in->services.abort(in->effect_ref);
    if (answer != 0) {
        self->m_abort_result.store(answer);
        return 1;
    }
    return 0;
}

}  // namespace kdr::aftereffects
