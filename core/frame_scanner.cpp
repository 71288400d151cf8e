#include "frame_scanner.h"

#include "scan_reader.h"

namespace vemtora {

bool FrameScanner::parseBody(std::string_view body) {
    // "%d\t%d\t%d": a TAB in the pattern matches any run of white space, including none;
    // what follows the third field is not examined, but for a NUL.
    ScanReader<char> reader(body);
    const auto voltage = reader.readInt32();
    if (voltage.status != ScanStatus::Read) return false;
    const auto current = reader.readInt32();
    if (current.status != ScanStatus::Read) return false;
    const auto divisor = reader.readInt32();
    if (divisor.status != ScanStatus::Read) return false;
    // A NUL is what a break on the line reads as: the frame it falls in is damaged. Within the
    // fields it has already stopped the parse.
    if (body.find('\0', reader.position()) != std::string_view::npos) return false;
    frame_.rawVoltage = voltage.value;
    frame_.rawCurrent = current.value;
    frame_.divisor = divisor.value;
    return true;
}

void FrameScanner::scanFrames(std::string_view bytes, const AcquisitionSettings& settings,
                              IntervalAccumulator& totals) {
    scan(bytes, [&](const MeterFrame& frame) {
        if (frame.divisor > 0) totals.add(convertFrame(frame, settings));
    });
}

}  // namespace vemtora
