// The bytes of a poll, the conversion of frames to readings, and the running totals of one
// report interval.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "acquisition_settings.h"
#include "raw_frame.h"

namespace vemtora {

// One poll takes every byte waiting, up to this many: forty times what the fastest menu speed
// delivers in a second, so the driver never holds a backlog and never drops bytes. The buffer
// keeps one more for a terminating NUL.
inline constexpr std::size_t kMaxPollBytes = 4096;
using ReceiveBuffer = std::array<char, kMaxPollBytes + 1>;

struct Reading {
    double voltage = 0.0;
    double current = 0.0;
    double power = 0.0;
};

struct IntervalAccumulator {
    double voltageTotal = 0.0;
    double currentTotal = 0.0;
    double powerTotal = 0.0;
    std::int32_t frameCount = 0;

    void add(const Reading& reading);
    // A frame with a divisor of 0 or less counts nothing.
    void addFrame(const MeterFrame& frame, const AcquisitionSettings& settings);
    void clear() { *this = IntervalAccumulator{}; }
};

// Requires frame.divisor > 0.
Reading convertFrame(const MeterFrame& frame, const AcquisitionSettings& settings);

}  // namespace vemtora
