#include "io_worker.h"

#include <new>
#include <utility>

#include "kaleidra/platform/threads.h"

namespace kdr::editor::detail {

IoWorker::IoWorker() : m_thread([this] { loop(); }) {}

IoWorker::~IoWorker() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_busy; });
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void IoWorker::start(std::function<Status()> job) {
    {
        std::lock_guard lock(m_mutex);
        m_job = std::move(job);
        m_busy = true;
    }
    m_changed.notify_all();
}

Status IoWorker::wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
    return std::exchange(m_outcome, Status::success());
}

void IoWorker::loop() {
    platform::raise_thread_priority();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_stopping; });
        if (!m_busy) {
            return;
        }
        std::function<Status()> job = std::move(m_job);
        lock.unlock();
        Status outcome;
        try {
            outcome = job();
        } catch (const std::bad_alloc&) {
            outcome = Error{"out of memory"};
        }
        lock.lock();
        m_outcome = std::move(outcome);
        m_busy = false;
        m_changed.notify_all();
    }
}

}  // namespace kdr::editor::detail
