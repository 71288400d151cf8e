// The byte stream a meter sends: frames with optional noise and deliberately broken ones.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "tools/meter_simulator/simulator_options.h"

namespace vemtora::simulator {

class FrameSource {
public:
    explicit FrameSource(const SimulatorOptions& options);

    // The next frame's bytes; `wellFormed` tells whether a reader should count it.
    std::string next(bool& wellFormed);

private:
    long jitter(long value);

    const SimulatorOptions& options_;
    std::mt19937 random_;
    std::uniform_real_distribution<double> unit_{0.0, 1.0};
    std::uint64_t sequence_ = 0;
};

}  // namespace vemtora::simulator
