#include "kaleidra/platform/background_job.h"

#include <exception>
#include <utility>

namespace kdr::platform {

BackgroundJob::BackgroundJob() : m_thread([this] { loop(); }) {}

BackgroundJob::~BackgroundJob() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_running; });
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BackgroundJob::start(std::function<Status()> job) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_running; });
        m_job = std::move(job);
        m_running = true;
        m_outcome = Status::success();
    }
    m_changed.notify_all();
}

Status BackgroundJob::wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_running; });
    Status outcome = std::move(m_outcome);
    m_outcome = Status::success();
    return outcome;
}

void BackgroundJob::loop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || m_running; });
        if (m_running) {
            std::function<Status()> job = std::move(m_job);
            lock.unlock();
            Status outcome = Status::success();
            try {
                if (job) {
                    outcome = job();
                }
            } catch (const std::exception& failure) {
                outcome = Error{failure.what()};
            }
            lock.lock();
            m_outcome = std::move(outcome);
            m_running = false;
            m_changed.notify_all();
        } else if (m_stopping) {
            return;
        }
    }
}

}  // namespace kdr::platform
