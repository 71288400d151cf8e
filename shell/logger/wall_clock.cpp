// Reading the local date and time with milliseconds.
#include "shell/logger/wall_clock.h"

#include <time.h>

namespace vemtora::logger {

LocalTime localWallClock() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    if (::localtime_r(&now.tv_sec, &parts) == nullptr) return {};
    const auto field = [](long value) { return static_cast<std::uint16_t>(value); };
    LocalTime time{field(parts.tm_hour),         field(parts.tm_min),          field(parts.tm_sec),
                   field(now.tv_nsec / 1000000), field(parts.tm_year + 1900L), field(parts.tm_mon + 1L),
                   field(parts.tm_mday)};
    // Real offsets lie within a day; anything else is no offset worth writing.
    const long offsetMinutes = parts.tm_gmtoff / 60;
    if (offsetMinutes > -24 * 60 && offsetMinutes < 24 * 60) {
        time.utcOffsetMinutes = static_cast<std::int16_t>(offsetMinutes);
        time.hasUtcOffset = true;
    }
    return time;
}

}  // namespace vemtora::logger
