#pragma once
// One job at a time on a thread of its own, so the render thread can write
// the last frame and read the next frame's pictures while the engine draws.
// start() hands a job over; wait() blocks until it has finished and gives
// its outcome. Everything the render thread wrote before start() is visible
// to the job, and everything the job wrote is visible after wait() (the
// hand-over goes through one mutex). Used by one render thread.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "kaleidra/platform/result.h"

namespace kdr::editor::detail {

class IoWorker {
  public:
    IoWorker();
    // Waits for a job still running, then ends the thread.
    ~IoWorker();
    IoWorker(const IoWorker&) = delete;
    IoWorker& operator=(const IoWorker&) = delete;

    // The previous job must have been waited for.
    void start(std::function<Status()> job);
    // Success when no job was started since the last wait.
    Status wait();

  private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<Status()> m_job;
    bool m_busy = false;
    bool m_stopping = false;
    Status m_outcome;
    std::thread m_thread;
};

}  // namespace kdr::editor::detail
