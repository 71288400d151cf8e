// A time as --from and --to name it, read before the log is: "09:05", "09:05:07.3", "day 2 09:05",
// "2026-12-08", "2026-12-08T09:05:07" or "2026-12-08 09:05:07.3+01:00".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vemtora::plot {

struct TimeOfLog {
    enum class Day { First, Numbered, Dated };
    Day day = Day::First;        // First: a time of day alone, on the log's first day
    std::int64_t dayNumber = 0;  // Numbered: 1 for the log's first day; Dated: days since 1970-01-01
    std::int64_t tenthsOfDay = 0;
    std::optional<std::int32_t> utcOffsetMinutes;  // only after a date and a time
};

std::optional<TimeOfLog> parseTimeOfLog(std::string_view text);

// The forms, for a message about one that did not read.
inline constexpr std::string_view kTimeOfLogForms =
    "hh:mm[:ss[.t]], 'day N hh:mm[:ss[.t]]' or YYYY-MM-DD[Thh:mm[:ss[.t]][+hh:mm]]";

}  // namespace vemtora::plot
