// What to draw of one quantity for a time range and a chart's width: the samples themselves when
// few, otherwise each pixel column's minimum and maximum.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sample_store.h"

namespace vemtora::plot {

struct PlotPoint {
    double seconds = 0.0;  // the store's tenths / 10
    double value = 0.0;
};

struct Trace {
    std::vector<PlotPoint> points;       // with one sample past each edge, so lines run to the border
    std::vector<std::size_t> runStarts;  // indices into points after a gap or clock step: no line is drawn into them
    MinMax visible;                      // of the samples inside the range only
};

// Seconds to the store's tenths, rounded up, for any double (saturates, NaN counts as the lowest).
std::int64_t tenthsAtOrAfter(double seconds);
std::int64_t tenthsAfter(double seconds);  // rounded down, plus one

// First index whose time is at or after `tenths`, in times that ascend, as the store's timeline does.
std::size_t firstIndexAtOrAfter(std::span<const std::int64_t> times, std::int64_t tenths);

// The sample nearest `seconds` (the later on a tie); times.size() when there are none.
std::size_t nearestIndex(std::span<const std::int64_t> times, double seconds);

// Reuses out's storage. `columns` below 1 counts as 1. A pixel column holding a gap or a clock step
// gets the extremes of each side apart, so no line crosses it at any zoom.
void decimate(const SampleStore& store, Quantity quantity, double from, double to, int columns, Trace& out);

}  // namespace vemtora::plot
