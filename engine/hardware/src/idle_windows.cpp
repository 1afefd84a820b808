#include "idle_windows.h"

#include "kaleidra/gl/glx_surface.h"

// Last: Xlib's macros collide with ordinary names.
#include <X11/Xlib.h>

#include <algorithm>

namespace kdr::render {

IdleWindows::IdleWindows(Clock::duration idle_time) : m_idle_time(idle_time) {}

IdleWindows::~IdleWindows() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

int IdleWindows::reserve_place() {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto free = std::find(m_places.begin(), m_places.end(), false);
    const int place = static_cast<int>(free - m_places.begin());
    if (free == m_places.end()) {
        m_places.push_back(true);
    } else {
        *free = true;
    }
    return place;
}

void IdleWindows::release_place(int place) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (place >= 0 && static_cast<std::size_t>(place) < m_places.size()) {
        m_places[static_cast<std::size_t>(place)] = false;
    }
}

void IdleWindows::add(unsigned long window) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_back({window, true, Clock::now() + m_idle_time});
        start_thread_locked();
    }
    m_changed.notify_all();
}

void IdleWindows::remove(unsigned long window) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::erase_if(m_entries, [window](const Entry& entry) { return entry.window == window; });
    }
    // With no windows left the thread ends.
    m_changed.notify_all();
}

void IdleWindows::busy(unsigned long window) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Entry& entry : m_entries) {
        if (entry.window == window) {
            entry.armed = false;
        }
    }
}

void IdleWindows::idle(unsigned long window) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Entry& entry : m_entries) {
            if (entry.window == window) {
                entry.armed = true;
                entry.deadline = Clock::now() + m_idle_time;
            }
        }
    }
    m_changed.notify_all();
}

void IdleWindows::start_thread_locked() {
    if (m_running || m_stopping) {
        return;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // a thread that found no windows left has ended
    }
    m_running = true;
    m_thread = std::thread(&IdleWindows::run, this);
}

void IdleWindows::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping && !m_entries.empty()) {
        bool any_armed = false;
        Clock::time_point next = Clock::time_point::max();
        for (const Entry& entry : m_entries) {
            if (entry.armed) {
                any_armed = true;
                next = std::min(next, entry.deadline);
            }
        }
        if (!any_armed) {
            m_changed.wait(lock);
            continue;
        }
        if (Clock::now() < next) {
            m_changed.wait_until(lock, next);
            continue;
        }
        // A connection is opened only to hide and closed again at once, so
        // none is left open while the thread waits (an X server that goes
        // away then ends no connection of ours).
        const Clock::time_point now = Clock::now();
        Display* display = nullptr;
        for (Entry& entry : m_entries) {
            if (entry.armed && entry.deadline <= now) {
                entry.armed = false;
                if (display == nullptr) {
                    gl::prepare_xlib_threads();
                    display = XOpenDisplay(nullptr);
                }
                if (display != nullptr) {
                    XUnmapWindow(display, entry.window);
                }
            }
        }
        // The server has hidden the windows before a context may show or
        // destroy one again (both wait for the lock).
        if (display != nullptr) {
            XSync(display, False);
            XCloseDisplay(display);
        }
    }
    m_running = false;
}

}  // namespace kdr::render
