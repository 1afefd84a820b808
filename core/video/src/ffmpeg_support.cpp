#include "ffmpeg_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kaleidra/platform/atomic_file.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kdr::video::detail {
namespace {

constexpr int io_buffer_size = 1 << 16;

int write_block(void* opaque, std::uint8_t* data, int size) {
    const int fd = static_cast<platform::AtomicFileWriter*>(opaque)->descriptor();
    int done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd, data + done, static_cast<std::size_t>(size - done));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return AVERROR(errno);
        }
        done += static_cast<int>(written);
    }
    return done;
}

std::int64_t seek_file(void* opaque, std::int64_t offset, int whence) {
    const int fd = static_cast<platform::AtomicFileWriter*>(opaque)->descriptor();
    if (whence & AVSEEK_SIZE) {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? info.st_size : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : position;
}

thread_local std::string last_logged_error;

int level_from_environment() {
    const char* name = std::getenv("KALEIDRA_FFMPEG_LOG");
    if (name == nullptr) {
        return AV_LOG_QUIET;
    }
    struct Level {
        const char* name;
        int value;
    };
    static const Level levels[] = {{"quiet", AV_LOG_QUIET},     {"error", AV_LOG_ERROR},
                                   {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},
                                   {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}};
    for (const Level& level : levels) {
        if (std::strcmp(name, level.name) == 0) {
            return level.value;
        }
    }
    return AV_LOG_ERROR;
}

void log_handler(void* object, int level, const char* format, va_list arguments) {
    if (level <= AV_LOG_ERROR) {
        va_list copy;
        va_copy(copy, arguments);
        char line[512];
        int print_prefix = 1;
        av_log_format_line2(object, level, format, copy, line, sizeof line, &print_prefix);
        va_end(copy);
        std::size_t length = std::strlen(line);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
            --length;
        }
        last_logged_error.assign(line, length);
    }
    // The default handler prints only what the level set above lets through.
    av_log_default_callback(object, level, format, arguments);
}

}  // namespace

void prepare_ffmpeg() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(level_from_environment());
        av_log_set_callback(&log_handler);
    });
}

std::string error_text(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    std::string message = text;
    if (!last_logged_error.empty()) {
        message += " (" + last_logged_error + ")";
        last_logged_error.clear();
    }
    return message;
}

void clear_logged_error() {
    last_logged_error.clear();
}

IoContextPtr open_output_io(platform::AtomicFileWriter& target) {
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(io_buffer_size));
    if (buffer == nullptr) {
        return nullptr;
    }
    IoContextPtr io(
        avio_alloc_context(buffer, io_buffer_size, 1, &target, nullptr, &write_block, &seek_file));
    if (!io) {
        av_free(buffer);
    }
    return io;
}

}  // namespace kdr::video::detail
