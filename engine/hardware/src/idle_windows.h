#pragma once
// The windows of Rnd_Hardware's contexts: where each is placed and when it
// hides. Windows stack down the screen, the n-th simultaneous one at
// (0, n x height), n being the lowest place free when it is created. A
// window is shown for each frame and hidden five seconds after its last one
// by a small thread of the library, which uses its own connection to the X
// server, so no connection is ever used by two threads.
//
// Thread-safe: contexts on any thread may call in at once.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kdr::render {

class IdleWindows {
  public:
    using Clock = std::chrono::steady_clock;

    explicit IdleWindows(Clock::duration idle_time = std::chrono::seconds(5));
    ~IdleWindows();
    IdleWindows(const IdleWindows&) = delete;
    IdleWindows& operator=(const IdleWindows&) = delete;

    // The lowest free place, reserved until released.
    int reserve_place();
    void release_place(int place);

    // Registers a shown window; it hides after the idle time unless busy()
    // is called first. remove() must come before the window is destroyed.
    void add(unsigned long window);
    void remove(unsigned long window);
    // The window is drawing a frame: it stays shown.
    void busy(unsigned long window);
    // The window's frame is done: it hides after the idle time.
    void idle(unsigned long window);

  private:
    struct Entry {
        unsigned long window = 0;
        bool armed = false;
        Clock::time_point deadline;
    };
    void run();
    void start_thread_locked();

    const Clock::duration m_idle_time;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<bool> m_places;
    std::vector<Entry> m_entries;
    std::thread m_thread;
    bool m_running = false;
    bool m_stopping = false;
};

}  // namespace kdr::render
