// The time stamp that opens a log line: "hh:mm:ss.t", or "YYYY-MM-DDThh:mm:ss.t" (--iso-time),
// which newer loggers follow with the offset from UTC, "+02:00".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vemtora::plot {

inline constexpr std::int64_t kTenthsPerDay = 24 * 60 * 60 * 10;

struct LogStamp {
    std::int64_t tenthsOfDay = 0;                  // 0 .. kTenthsPerDay - 1
    std::optional<std::int64_t> day;               // days since 1970-01-01, when the stamp carries a date
    std::optional<std::int32_t> utcOffsetMinutes;  // east of UTC, when a dated stamp carries it
};

std::optional<LogStamp> parseLogStamp(std::string_view text);

struct CivilDate {
    std::int64_t year = 1970;
    unsigned month = 1;  // 1 .. 12
    unsigned day = 1;    // 1 .. 31
};

// Proleptic Gregorian calendar, any year the 64-bit day count can hold.
std::int64_t daysFromCivil(const CivilDate& date);
CivilDate civilFromDays(std::int64_t days);

}  // namespace vemtora::plot
