#pragma once
// Two render worker threads kept alive for the life of a render driver. The
// host thread hands each worker the slot it renders and blocks until every
// worker it started has finished, so each slot is rendered by one thread at a
// time and the host never runs ahead of its workers. Everything the host
// wrote before run() is visible to the workers, and everything the workers
// wrote is visible to the host after run() returns (the hand-off goes through
// one mutex).
//
// run() is called by one host thread at a time.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kdr::host {

class RenderWorkers {
  public:
    using Routine = std::function<void(int slot)>;

    // `routine` runs on worker `slot` (0 or 1) for each job of that slot;
    // `on_start` once on each worker thread when it starts.
    RenderWorkers(Routine routine, std::function<void()> on_start);
    ~RenderWorkers();
    RenderWorkers(const RenderWorkers&) = delete;
    RenderWorkers& operator=(const RenderWorkers&) = delete;

    // Runs the routine for slot 0 and/or slot 1, at once on two threads when
    // both are asked for, and returns when all of them have ended. The
    // threads are started at the first call.
    void run(bool slot0, bool slot1);

  private:
    void worker_loop(int slot);

    Routine m_routine;
    std::function<void()> m_on_start;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    bool m_job[2] = {false, false};
    bool m_stop = false;
    std::thread m_threads[2];
};

}  // namespace kdr::host
