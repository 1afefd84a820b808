#include "kaleidra/platform/local_time.h"

#include <ctime>

namespace kdr::platform {

LocalTime local_time_now() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm fields{};
    ::localtime_r(&now.tv_sec, &fields);
    LocalTime result;
    result.year = static_cast<std::uint16_t>(fields.tm_year + 1900);
    result.month = static_cast<std::uint16_t>(fields.tm_mon + 1);
    result.day_of_week = static_cast<std::uint16_t>(fields.tm_wday);
    result.day = static_cast<std::uint16_t>(fields.tm_mday);
    result.hour = static_cast<std::uint16_t>(fields.tm_hour);
    result.minute = static_cast<std::uint16_t>(fields.tm_min);
    result.second = static_cast<std::uint16_t>(fields.tm_sec);
    result.millisecond = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    return result;
}

}  // namespace kdr::platform
