// Tick marks at round times of day for a visible stretch of a log, and their labels.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vemtora::plot {

struct TimeTick {
    double seconds = 0.0;
    // Only what changes from tick to tick: "09:05" (or, a minute or a day begun, ":07", ":07.3");
    // at midnight the day, "Dec 9" or "day 2".
    std::string label;

    bool operator==(const TimeTick&) const = default;
};

struct TimeAxisText {
    std::vector<TimeTick> ticks;
    // What the labels leave out, where the view begins: "2026-12-08", "day 2" ("" on an undated
    // log's first day), and with ticks under a minute apart also the minute, "2026-12-08 09:05".
    std::string context;
};

struct TimeAxisRoom {
    double pixels = 0.0;                                   // the plot area's width
    std::function<double(const std::string&)> labelWidth;  // in pixels, as the axis draws it
};

// From `from` seconds of the timeline on (up to the next piece), the log's clock reads
// clockMinusTenths later: each side of a clock step or an offset's change is labelled by its own clock.
struct ClockPiece {
    double from = 0.0;
    std::int64_t clockMinusTenths = 0;
    std::optional<std::int32_t> utcOffsetMinutes;
};

// Ticks strictly after `from` up to `to`, at the smallest round step whose labels fit the room
// side by side. dated: the log's times carry real dates (from ISO stamps); otherwise day 0 is
// the log's first day. pieces: in ascending order, the first in force at `from`; none: the
// timeline's own clock.
TimeAxisText timeAxisText(double from, double to, const TimeAxisRoom& room, bool dated,
                          std::span<const ClockPiece> pieces = {});

// "2026-12-08" or "day 3" for the day `days` after 1970-01-01 (or after the log's first day).
std::string dayLabel(std::int64_t days, bool dated);
// "+02:00", "-03:30".
std::string utcOffsetText(std::int32_t minutes);
// "09:05:07.3", with "2026-12-08 " or "day 2 " before it when that is not obvious, and the
// offset after it when the stamp carries one.
std::string stampLabel(std::int64_t tenths, bool dated, std::optional<std::int32_t> utcOffsetMinutes = std::nullopt);
// "clock −1 h", "clock −59 min 59.9 s": how far a clock was set.
std::string clockStepText(std::int64_t tenths);

}  // namespace vemtora::plot
