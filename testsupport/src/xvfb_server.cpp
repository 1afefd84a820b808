#include "kaleidra/testing/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace kdr::test {

namespace {

// Reads the display number Xvfb writes once it accepts connections.
bool read_display_number(int fd, std::string& number, std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (number.empty() || number.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error = "Xvfb did not report a display within 30 seconds";
            return false;
        }
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        char buffer[32];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            error = "Xvfb ended before it reported a display (is the xvfb package installed?)";
            return false;
        }
        number.append(buffer, static_cast<std::size_t>(got));
    }
    number.pop_back();
    return !number.empty();
}

}  // namespace

XvfbServer::~XvfbServer() {
    stop();
}

bool XvfbServer::start(std::string& error, int screen_width, int screen_height) {
    const char* existing = std::getenv("DISPLAY");
    if (existing != nullptr && *existing != '\0') {
        m_display = existing;
        return true;
    }
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) {
        error = std::string("cannot create a pipe: ") + std::strerror(errno);
        return false;
    }
    const std::string fd = std::to_string(channel[1]);
    const std::string screen =
        std::to_string(screen_width) + "x" + std::to_string(screen_height) + "x24";
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("cannot start Xvfb: ") + std::strerror(errno);
        ::close(channel[0]);
        ::close(channel[1]);
        return false;
    }
    if (pid == 0) {
        // The child keeps the writing end open across exec.
        ::fcntl(channel[1], F_SETFD, 0);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                 "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(channel[1]);
    m_pid = pid;
    std::string number;
    const bool reported = read_display_number(channel[0], number, error);
    ::close(channel[0]);
    if (!reported) {
        stop();
        return false;
    }
    m_display = ":" + number;
    ::setenv("DISPLAY", m_display.c_str(), 1);
    return true;
}

void XvfbServer::stop() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        ::unsetenv("DISPLAY");
    }
}

}  // namespace kdr::test
