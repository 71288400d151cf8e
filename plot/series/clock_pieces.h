// The clocks a stretch of the timeline is read in: each side of a clock step or of an offset's
// change by its own, with a mark where one gives way to the next.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sample_store.h"
#include "time_axis.h"

namespace vemtora::plot {

// Those in force from `from` to `to` seconds of the timeline, in order.
std::vector<ClockPiece> clockPieces(const SampleStore& store, double from, double to);

struct ClockMark {
    double seconds = 0.0;  // in the break between the two clocks
    std::string text;      // "clock −1 h", or the new offset, "UTC+01:00"
};
std::vector<ClockMark> clockMarks(const SampleStore& store, double from, double to);

// What the log's clock reads at a place on the timeline: the stamp a sample there would carry.
struct ClockReading {
    std::int64_t tenths = 0;
    std::optional<std::int32_t> utcOffsetMinutes;
};
ClockReading clockAt(const SampleStore& store, std::int64_t tenths);

}  // namespace vemtora::plot
