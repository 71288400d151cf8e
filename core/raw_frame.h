// One frame as the meter sends it: three integers, not yet converted.
#pragma once

#include <cstdint>

namespace vemtora {

struct MeterFrame {
    std::int32_t rawVoltage = 0;
    std::int32_t rawCurrent = 0;
    std::int32_t divisor = 0;

    friend bool operator==(const MeterFrame&, const MeterFrame&) = default;
};

}  // namespace vemtora
