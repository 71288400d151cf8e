// The meter's frames, their conversion to readings, and the running totals of one report interval.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "acquisition_settings.h"

namespace vemtora {

// One poll reads at most this many bytes; the buffer keeps one more for the terminating NUL.
inline constexpr std::size_t kMaxPollBytes = 32;
using ReceiveBuffer = std::array<char, kMaxPollBytes + 1>;

struct MeterFrame {
    std::int32_t rawVoltage = 0;
    std::int32_t rawCurrent = 0;
    std::int32_t divisor = 0;
};

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
    void clear() { *this = IntervalAccumulator{}; }
};

// Requires frame.divisor > 0.
Reading convertFrame(const MeterFrame& frame, const AcquisitionSettings& settings);

// Finds the frames "a<volts>\t<amps>\t<divisor>z" in the bytes of one poll.
// Works in place and allocates nothing; a frame cut off at the end of a poll is dropped.
class FrameScanner {
public:
    // Writes the terminating NUL after the received bytes (count is capped at kMaxPollBytes).
    void scanFrames(ReceiveBuffer& bytes, std::size_t count, const AcquisitionSettings& settings,
                    IntervalAccumulator& totals);

    // The last frame that parsed completely.
    const MeterFrame& frame() const { return frame_; }

private:
    MeterFrame frame_;
};

}  // namespace vemtora
