#pragma once
// The local wall clock with milliseconds, in calendar fields.

#include <cstdint>

namespace kdr::platform {

struct LocalTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;        // 1..12
    std::uint16_t day_of_week = 0;  // 0 = Sunday
    std::uint16_t day = 0;          // 1..31
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t millisecond = 0;
};

LocalTime local_time_now();

}  // namespace kdr::platform
