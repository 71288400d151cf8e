// Wall-clock date and time of day as the platform's clock reports it.
#pragma once

#include <cstdint>

namespace vemtora {

struct LocalTime {
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t millisecond = 0;
    // After the time, so {hour, minute, second, millisecond} still initialises it; only the
    // dated log line reads them.
    std::uint16_t year = 0;
    std::uint16_t month = 0;  // 1 to 12
    std::uint16_t day = 0;    // 1 to 31
    // East of UTC, where the clock tells it: the dated line writes it, so the hour repeated at the
    // end of summer time reads apart from the first.
    std::int16_t utcOffsetMinutes = 0;
    bool hasUtcOffset = false;
};

}  // namespace vemtora
