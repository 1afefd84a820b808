#pragma once
// An X server for tests that draw through GLX. When $DISPLAY is set the tests
// use that display; otherwise the fixture starts a virtual-framebuffer server
// (Xvfb) on a free display number, points $DISPLAY at it for this process,
// and stops it at the end. A server that cannot be started fails the tests;
// it never skips them.

#include <gtest/gtest.h>

#include <sys/types.h>
#include <string>

namespace kdr::test {

class XvfbServer {
  public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Uses $DISPLAY or starts a server with one screen of the given size.
    [[nodiscard]] bool start(std::string& error, int screen_width = 4096, int screen_height = 4096);
    void stop();
    const std::string& display() const { return m_display; }
    bool owns_server() const { return m_pid > 0; }

  private:
    std::string m_display;
    pid_t m_pid = -1;
};

}  // namespace kdr::test
