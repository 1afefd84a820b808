#include "stop_signals.h"

#include <cstring>

namespace kdr::render_tool {
namespace {

constexpr int handled[3] = {SIGINT, SIGTERM, SIGHUP};

// Lock-free atomics are safe to touch from a signal handler.
std::atomic<bool> stop_requested{false};
std::atomic<int> stop_signal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

void on_signal(int number) {
    if (stop_requested.exchange(true)) {
        // Asked twice: end now, as the signal would have.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    stop_signal.store(number);
}

}  // namespace

StopSignals::StopSignals() {
    stop_requested.store(false);
    stop_signal.store(0);
    struct sigaction action {};
    action.sa_handler = &on_signal;
    sigemptyset(&action.sa_mask);
    // Reads and writes in progress carry on rather than fail with EINTR.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        sigaction(handled[i], &action, &m_previous[i]);
    }
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 3; ++i) {
        sigaction(handled[i], &m_previous[i], nullptr);
    }
}

const std::atomic<bool>& StopSignals::requested() const {
    return stop_requested;
}

int StopSignals::signal() const {
    return stop_signal.load();
}

}  // namespace kdr::render_tool
