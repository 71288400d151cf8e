// A value axis at round numbers: steps of 1, 2 or 5 times a power of ten, as many labels as fit.
#pragma once

namespace vemtora::plot {

struct ValueTicks {
    double low = 0.0;  // the axis' ends, both on a tick
    double high = 1.0;
    double step = 0.25;
    int count = 5;     // ticks from low to high, both included
    int decimals = 2;  // enough to tell neighbouring ticks apart
};

inline constexpr int kFewestValueTicks = 4;

// For data from min to max (min > max: no data). Readings that start near zero (at most one span
// above it) keep zero on the axis, so a current drawn from rest is seen against nothing.
// maxTicks: what the panel's height allows; fewer than kFewestValueTicks still gets that many.
ValueTicks valueTicks(double min, double max, int maxTicks);

// Round ticks from low to high for an axis that shows exactly that (the user's zoom, a picture's
// fixed range): none beyond it, so fewer than kFewestValueTicks where the range is short of them.
ValueTicks ticksWithin(double low, double high, int maxTicks);

}  // namespace vemtora::plot
