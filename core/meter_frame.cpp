#include "meter_frame.h"

#include <limits>

namespace vemtora {

void IntervalAccumulator::add(const Reading& reading) {
    // Unreachable at the meter's real rates; keeps the count defined whatever arrives.
    if (frameCount == std::numeric_limits<std::int32_t>::max()) return;
    ++frameCount;
    voltageTotal += reading.voltage;
    currentTotal += reading.current;
    powerTotal += reading.power;
}

void IntervalAccumulator::addFrame(const MeterFrame& frame, const AcquisitionSettings& settings) {
    if (frame.divisor > 0) add(convertFrame(frame, settings));
}

Reading convertFrame(const MeterFrame& frame, const AcquisitionSettings& settings) {
    const double divisor = frame.divisor;
    Reading reading;
    reading.voltage = frame.rawVoltage * settings.voltageScale / divisor;
    // Small raw currents are the meter's noise floor.
    const std::int32_t threshold = frame.divisor / 3;
    reading.current = frame.rawCurrent < threshold ? 0.0 : frame.rawCurrent * settings.currentScale / divisor;
    reading.power = reading.voltage * reading.current;
    return reading;
}

}  // namespace vemtora
