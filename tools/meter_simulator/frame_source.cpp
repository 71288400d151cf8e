#include "tools/meter_simulator/frame_source.h"

#include <cmath>

namespace vemtora::simulator {

FrameSource::FrameSource(const SimulatorOptions& options) : options_(options), random_(options.seed) {}

long FrameSource::jitter(long value) {
    if (options_.noise == 0.0) return value;
    const double spread = (unit_(random_) * 2.0 - 1.0) * options_.noise;
    return std::lround(static_cast<double>(value) * (1.0 + spread));
}

std::string FrameSource::next(bool& wellFormed) {
    const std::string v = std::to_string(jitter(options_.rawVoltage));
    const std::string i = std::to_string(jitter(options_.rawCurrent));
    const std::string d = std::to_string(options_.divisor);
    ++sequence_;
    wellFormed = true;
    if (options_.malformed > 0.0 && unit_(random_) < options_.malformed) {
        wellFormed = false;
        // The faults a noisy line produces: a lost field, a garbled digit, a lost end mark, line noise.
        switch (sequence_ % 4) {
            case 0: return "a" + v + "\t" + i + "z";
            case 1: return "a" + v + "x\t" + i + "\t" + d + "z";
            case 2: return "a" + v + "\t" + i + "\t" + d;
            default: return "\x7f\xff\r\n";
        }
    }
    return "a" + v + "\t" + i + "\t" + d + "z";
}

}  // namespace vemtora::simulator
