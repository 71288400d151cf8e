// Where a log has a gap: no line for clearly longer than the interval in force around it, read
// from the spacings of the lines on either side, so a changed interval is no gap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vemtora::plot {

// Spacings looked at on each side of a line.
inline constexpr std::size_t kIntervalWindow = 5;

struct IntervalWindow {
    std::int64_t median = 0;  // tenths; 0 when none is known
    std::size_t known = 0;    // positive spacings it is the median of
};

// Of up to kIntervalWindow spacings; zero and negative ones (a clock set back) say nothing about it.
IntervalWindow intervalOf(std::span<const std::int64_t> spacings);

// A missing line or more: a spacing above 1.5 times the interval on either side (the longer of
// the two), once three spacings around it are known. A late tick is no gap, nor is the first
// spacing of a longer interval. Stamps of four-digit years keep the products far from overflowing.
bool isGap(std::int64_t spacing, const IntervalWindow& before, const IntervalWindow& after);

}  // namespace vemtora::plot
