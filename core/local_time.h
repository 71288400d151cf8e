// Wall-clock time of day as the platform's clock reports it.
#pragma once

#include <cstdint>

namespace vemtora {

struct LocalTime {
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t millisecond = 0;
};

}  // namespace vemtora
