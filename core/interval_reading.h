// One report interval's result as numbers: what the log line writes, before it becomes text.
#pragma once

#include <cstdint>

#include "local_time.h"

namespace vemtora {

struct IntervalReading {
    LocalTime time;
    // Averages over the interval's frames.
    double volts = 0.0;
    double amperes = 0.0;
    double watts = 0.0;
    std::int32_t frameCount = 0;
    // The report interval the reading closes, as set, not as measured.
    std::int32_t intervalMs = 0;
};

}  // namespace vemtora
