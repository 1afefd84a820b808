#include "kaleidra/host/render_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/records/frame_record.h"

namespace kdr::host {
namespace {

constexpr const char* line_end = "\r\n";

class SystemLogClock final : public LogClock {
  public:
    platform::LocalTime wall() override { return platform::local_time_now(); }
    std::chrono::steady_clock::time_point monotonic() override {
        return std::chrono::steady_clock::now();
    }
};

// A global value as a whole number, truncated as a C cast would, but without
// undefined behaviour for values a stored record may hold (NaN, huge).
long whole_number(float value) {
    if (!std::isfinite(value)) {
        return 0;
    }
    if (value >= 2147483647.0f) {
        return 2147483647L;
    }
    if (value <= -2147483648.0f) {
        return -2147483647L - 1;
    }
    return static_cast<long>(value);
}

template <class... Args>
std::string format(const char* pattern, Args... args) {
    char line[256];
    const int length = std::snprintf(line, sizeof line, pattern, args...);
    if (length < 0) {
        return {};
    }
    return std::string(line,
                       std::min<std::size_t>(static_cast<std::size_t>(length), sizeof line - 1));
}

std::string stamp_text(const platform::LocalTime& stamp) {
    return format("%02d:%02d:%02d.%03d %04d/%02d/%02d", stamp.hour, stamp.minute, stamp.second,
                  stamp.millisecond, stamp.year, stamp.month, stamp.day);
}

std::string duration_text(const LogDuration& duration) {
    return format("%4d:%02d:%02d.%03d", duration.hours, duration.minutes, duration.seconds,
                  duration.milliseconds);
}

bool on(float value) {
    return value > 0.0f;
}

std::uint32_t logging_level() {
    return install::read_number("Rnd_Logging");
}

}  // namespace

LogClock& system_log_clock() {
    static SystemLogClock clock;
    return clock;
}

LogDuration split_duration(std::chrono::milliseconds duration) {
    LogDuration result;
    if (duration.count() <= 0) {
        return result;
    }
    const std::uint64_t total = static_cast<std::uint64_t>(duration.count());
    const std::uint64_t hours = total / 3'600'000;
    result.hours = static_cast<std::uint16_t>(hours > 65535 ? 65535 : hours);
    result.minutes = static_cast<std::uint16_t>(total / 60'000 % 60);
    result.seconds = static_cast<std::uint16_t>(total / 1000 % 60);
    result.milliseconds = static_cast<std::uint16_t>(total % 1000);
    return result;
}

void add_duration(LogDuration& total, const LogDuration& elapsed) {
    unsigned milliseconds = total.milliseconds + elapsed.milliseconds;
    unsigned seconds = total.seconds + elapsed.seconds;
    unsigned minutes = total.minutes + elapsed.minutes;
    unsigned hours = total.hours + elapsed.hours;
    seconds += milliseconds / 1000;
    milliseconds %= 1000;
    minutes += seconds / 60;
    seconds %= 60;
    hours += minutes / 60;
    minutes %= 60;
    total.milliseconds = static_cast<std::uint16_t>(milliseconds);
    total.seconds = static_cast<std::uint16_t>(seconds);
    total.minutes = static_cast<std::uint16_t>(minutes);
    total.hours = static_cast<std::uint16_t>(hours);  // a 16-bit count, as stored
}

std::string log_header_text(const EffectSettings& settings, const FrameRecord& frame,
                            std::string_view engine_name) {
    const float* g = settings.globals;
    std::string text = "\r\n\r\n";
    text.append(50, '-');
    text += line_end;

    // A stored record may lack the terminator; the name never runs past its field.
    text += "Effect    : ";
    text.append(settings.name, strnlen(settings.name, effect_name_size));
    text += line_end;

    if (frame.flags & flag_field) {
        text += format("Resolution: %u x %lld (field)", frame.width,
                       static_cast<long long>(frame.height) * 2);
    } else {
        text += format("Resolution: %u x %d", frame.width, frame.height);
    }
    text += line_end;

    text += "Engine    : ";
    text += engine_name;
    text += line_end;

    text += "Options   : ";
    text += on(g[global_fly_direction]) ? "FlyOn, " : "FlyOff , ";
    switch (whole_number(g[global_render_style])) {
        case 0:
            text += "Smooth, ";
            break;
        case 1:
            text += "Flat  , ";
            break;
        case 2:
            text += "Wire  , ";
            break;
        default:
            break;
    }
    text += on(g[global_render_quality]) ? "Best-Render, " : "Fast-Render, ";
    text += on(g[global_image_quality]) ? "Best-Image, " : "Fast-Image, ";
    text += on(g[global_antialias]) ? "Antialias On" : "Antialias Off";
    text += line_end;

    text += on(g[global_lighting]) ? "            Lighting On , " : "            Lighting Off, ";
    // The blur item keeps the shape the log has always had: "Blur: 0, ".
    text += format("LightDir: %ld, ", whole_number(g[global_light_direction]));
    text += format("Shadows:%ld%%, ", whole_number(g[global_shadows]));
    text += format("Blur: %ld, ", whole_number(g[global_blur_percent]));
    text += format("BlurCount: %ld", whole_number(g[global_blur_count]));
    text += line_end;
    text += line_end;
    return text;
}

std::string log_started_line(const FrameRecord& frame, const platform::LocalTime& start) {
    return format("   %6d of %6d - Started :   ", static_cast<int>(frame.position),
                  static_cast<int>(frame.total)) +
           stamp_text(start) + line_end;
}

std::string log_finished_line(const platform::LocalTime& finish) {
    return "                    - Finished:   " + stamp_text(finish) + line_end;
}

std::string log_elapsed_line(const LogDuration& elapsed) {
    return "                    - Elapsed : " + duration_text(elapsed) + line_end + line_end;
}

std::string log_total_line(const LogDuration& total) {
    return "                    - Total   : " + duration_text(total) + line_end + line_end;
}

bool append_to_render_log(std::string_view text) {
    std::optional<std::filesystem::path> file =
        install::build_path(install::folder_work, "RENDER", "LOG");
    if (!file) {
        return false;
    }
    const int descriptor = ::open(file->c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return false;
    }
    // One write per entry: with O_APPEND the kernel places it at the end of
    // the file as a unit, so entries of several processes never interleave.
    const char* data = text.data();
    std::size_t remaining = text.size();
    bool written = true;
    while (remaining > 0) {
        const ssize_t count = ::write(descriptor, data, remaining);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            written = false;
            break;
        }
        data += count;
        remaining -= static_cast<std::size_t>(count);
    }
    ::close(descriptor);
    return written;
}

void RenderLog::header(const EffectSettings& settings, const FrameRecord& frame,
                       std::string_view engine_name) {
    if (frame_is_quiet(frame) || logging_level() == 0) {
        return;
    }
    const std::string text = log_header_text(settings, frame, engine_name);
    m_total = LogDuration{};
    // Text the log cannot take is dropped: the log never stops a render.
    (void)append_to_render_log(text);
}

void RenderLog::frame_start(const FrameRecord& frame) {
    if (frame_is_quiet(frame)) {
        return;
    }
    const std::uint32_t level = logging_level();
    if (level == 0) {
        return;
    }
    m_start_stamp = m_clock->wall();
    m_start_time = m_clock->monotonic();
    m_started = true;
    m_finish_stamp = platform::LocalTime{};
    if (level == 2) {
        // Dropped when it cannot be written, as every entry.
        (void)append_to_render_log(log_started_line(frame, m_start_stamp));
    }
}

void RenderLog::frame_end(const FrameRecord& frame) {
    if (frame_is_quiet(frame)) {
        return;
    }
    const std::uint32_t level = logging_level();
    if (level == 0) {
        m_started = false;
        return;
    }
    m_finish_stamp = m_clock->wall();
    const auto finish_time = m_clock->monotonic();
    // A frame whose start was not stamped (logging switched on while it
    // rendered) has no measured time.
    const LogDuration elapsed =
        m_started ? split_duration(std::chrono::duration_cast<std::chrono::milliseconds>(
                        finish_time - m_start_time))
                  : LogDuration{};
    m_started = false;

    std::string text;
    if (level == 2) {
        text += log_finished_line(m_finish_stamp);
        text += log_elapsed_line(elapsed);
    }
    add_duration(m_total, elapsed);
    text += log_total_line(m_total);
    // Dropped when it cannot be written, as every entry.
    (void)append_to_render_log(text);
}

}  // namespace kdr::host
