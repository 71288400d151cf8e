// The energy one reading stands for. Every output that counts energy sums this, so the metrics'
// counter, the MQTT payload and the saved total agree.
#pragma once

#include <cmath>

#include "core/interval_reading.h"

namespace vemtora {

// Average power times the time the reading covers; nothing for an interval without a finite
// average, which would spoil the sum for good.
inline double intervalEnergyJoules(const IntervalReading& reading) {
    const double joules = reading.watts * reading.intervalMs / 1000.0;
    return std::isfinite(joules) ? joules : 0.0;
}

}  // namespace vemtora
