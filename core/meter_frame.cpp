#include "meter_frame.h"

#include <cstring>
#include <limits>
#include <string_view>

#include "scan_reader.h"

namespace vemtora {

void IntervalAccumulator::add(const Reading& reading) {
    // Unreachable at the meter's real rates; keeps the count defined whatever arrives.
    if (frameCount == std::numeric_limits<std::int32_t>::max()) return;
    ++frameCount;
    voltageTotal += reading.voltage;
    currentTotal += reading.current;
    powerTotal += reading.power;
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

namespace {

// "%d\t%d\t%d": a TAB in the pattern matches any run of white space, including none.
bool parseFields(std::string_view body, MeterFrame& frame) {
    ScanReader<char> reader(body);
    const auto voltage = reader.readInt32();
    if (voltage.status != ScanStatus::Read) return false;
    const auto current = reader.readInt32();
    if (current.status != ScanStatus::Read) return false;
    const auto divisor = reader.readInt32();
    if (divisor.status != ScanStatus::Read) return false;
    frame = {voltage.value, current.value, divisor.value};
    return true;
}

}  // namespace

void FrameScanner::scanFrames(ReceiveBuffer& bytes, std::size_t count, const AcquisitionSettings& settings,
                              IntervalAccumulator& totals) {
    if (count == 0) return;
    if (count > kMaxPollBytes) count = kMaxPollBytes;
    bytes[count] = '\0';
    // A NUL among the bytes ends the text as well.
    const std::string_view text(bytes.data(), std::strlen(bytes.data()));

    std::size_t start = text.find('a');
    while (start != std::string_view::npos) {
        const std::size_t end = text.find('z', start + 1);
        if (end == std::string_view::npos) return;  // incomplete: nothing is carried over
        // An "a" inside the frame starts no frame of its own: the search resumes after the "z".
        if (parseFields(text.substr(start + 1, end - start - 1), frame_) && frame_.divisor > 0) {
            totals.add(convertFrame(frame_, settings));
        }
        start = text.find('a', end + 1);
    }
}

}  // namespace vemtora
