#include "value_ticks.h"

#include <algorithm>
#include <cmath>

namespace vemtora::plot {

namespace {

constexpr double kMultiples[] = {1.0, 2.0, 5.0};

int tickCount(double low, double high, double step) {
    return static_cast<int>(std::llround(std::ceil(high / step - 1e-9) - std::floor(low / step + 1e-9))) + 1;
}

ValueTicks ticksAt(double low, double high, double step, int exponent) {
    ValueTicks ticks;
    ticks.step = step;
    ticks.low = std::floor(low / step + 1e-9) * step;
    ticks.high = std::ceil(high / step - 1e-9) * step;
    ticks.count = tickCount(low, high, step);
    ticks.decimals = std::clamp(-exponent, 0, 9);
    return ticks;
}

}  // namespace

ValueTicks ticksWithin(double low, double high, int maxTicks) {
    // The step of the axis that would reach round ticks around it, then only the ticks inside.
    ValueTicks ticks = valueTicks(low, high, maxTicks);
    if (!(high > low) || !std::isfinite(low) || !std::isfinite(high)) return ticks;
    ticks.low = std::ceil(low / ticks.step - 1e-9) * ticks.step;
    ticks.high = std::floor(high / ticks.step + 1e-9) * ticks.step;
    ticks.count = std::max(0, static_cast<int>(std::llround((ticks.high - ticks.low) / ticks.step)) + 1);
    return ticks;
}

ValueTicks valueTicks(double min, double max, int maxTicks) {
    // Beyond these no reading lies; the steps below stay finite and few.
    constexpr double kLargest = 1e12;
    if (!(min <= max) || !std::isfinite(min) || !std::isfinite(max)) {
        min = 0.0;
        max = 1.0;
    }
    min = std::clamp(min, -kLargest, kLargest);
    max = std::clamp(max, -kLargest, kLargest);
    if (min >= 0 && min <= max - min) min = 0.0;
    if (max <= 0 && -max <= max - min) max = 0.0;
    if (max - min < std::max(std::abs(max), 1e-3) * 1e-6) {
        const double pad = std::max(std::abs(max) * 0.05, 0.05);
        min = min >= 0 && min - pad < 0 ? 0.0 : min - pad;
        max += pad;
    }
    maxTicks = std::max(maxTicks, kFewestValueTicks);
    // From a step so small it gives too many ticks, up to the first that fits.
    const int smallest = static_cast<int>(std::floor(std::log10((max - min) / 100.0)));
    for (int exponent = smallest; exponent <= smallest + 3; ++exponent) {
        for (double multiple : kMultiples) {
            const double step = multiple * std::pow(10.0, exponent);
            ValueTicks ticks = ticksAt(min, max, step, exponent);
            if (ticks.count > maxTicks) continue;
            // Too few: the axis reaches a step further, alternately down and up; readings that
            // never go below zero get no negative tick.
            for (bool down = true; ticks.count < kFewestValueTicks; down = !down) {
                if (down && (min < 0 || ticks.low - step >= 0)) {
                    ticks.low -= step;
                } else {
                    ticks.high += step;
                }
                ++ticks.count;
            }
            return ticks;
        }
    }
    return ticksAt(min, max, std::pow(10.0, smallest + 4), smallest + 4);
}

}  // namespace vemtora::plot
