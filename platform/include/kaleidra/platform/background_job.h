#pragma once
// One job at a time on a thread of its own: a renderer reads the next
// frame's pictures and writes the last frame while the engine draws.
// Everything the caller wrote before start() is visible to the job, and
// everything the job wrote is visible after wait() (the hand-over goes
// through one mutex). One caller thread at a time.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "kaleidra/platform/result.h"

namespace kdr::platform {

class BackgroundJob {
  public:
    BackgroundJob();
    // Waits for a job still running, then ends the thread.
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Starts `job` on the thread. A job still running is waited for first
    // (its outcome is then lost: call wait() before starting the next one
    // to see it).
    void start(std::function<Status()> job);
    // Waits until the job started last has finished and gives its outcome;
    // success when no job was started since the last wait.
    Status wait();

  private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<Status()> m_job;
    bool m_running = false;
    bool m_stopping = false;
    Status m_outcome = Status::success();
    std::thread m_thread;
};

}  // namespace kdr::platform
