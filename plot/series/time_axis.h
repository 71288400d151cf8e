// Tick marks at round times of day for a visible stretch of a log, and their labels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemtora::plot {

struct TimeTick {
    double seconds = 0.0;
    std::string label;  // "09:05", "09:05:07", "09:05:07.3"; at midnight the day instead
};

struct TimeAxisText {
    std::vector<TimeTick> ticks;
    std::string day;  // where the view begins: "2026-12-08", or "day 2" in an undated log ("" on its first day)
};

// At most maxTicks ticks, at the smallest round step that allows it. dated: the log's times carry
// real dates (from ISO stamps); otherwise day 0 is the log's first day.
TimeAxisText timeAxisText(double from, double to, int maxTicks, bool dated);

// "2026-12-08" or "day 3" for the day `days` after 1970-01-01 (or after the log's first day).
std::string dayLabel(std::int64_t days, bool dated);
// "09:05:07.3", with "2026-12-08 " or "day 2 " before it when that is not obvious.
std::string stampLabel(std::int64_t tenths, bool dated);

}  // namespace vemtora::plot
