#include "render_workers.h"

#include <utility>

namespace kdr::host {

RenderWorkers::RenderWorkers(Routine routine, std::function<void()> on_start)
    : m_routine(std::move(routine)), m_on_start(std::move(on_start)) {}

RenderWorkers::~RenderWorkers() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

void RenderWorkers::run(bool slot0, bool slot1) {
    if (!slot0 && !slot1) {
        return;
    }
    std::unique_lock lock(m_mutex);
    const bool wanted[2] = {slot0, slot1};
    for (int slot = 0; slot < 2; ++slot) {
        if (wanted[slot] && !m_threads[slot].joinable()) {
            m_threads[slot] = std::thread(&RenderWorkers::worker_loop, this, slot);
        }
        m_job[slot] = wanted[slot];
    }
    m_wake.notify_all();
    m_done.wait(lock, [this] { return !m_job[0] && !m_job[1]; });
}

void RenderWorkers::worker_loop(int slot) {
    if (m_on_start) {
        m_on_start();
    }
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this, slot] { return m_stop || m_job[slot]; });
        if (m_stop) {
            return;
        }
        lock.unlock();
        m_routine(slot);
        lock.lock();
        m_job[slot] = false;
        m_done.notify_all();
    }
}

}  // namespace kdr::host
