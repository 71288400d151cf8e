#include "frame_scanner.h"

#include "scan_reader.h"

namespace vemtora {

bool FrameScanner::parseBody(std::string_view body) {
    // Three integers and white space, nothing else: a frame that lost bytes, its "z" or digits,
    // must count nothing rather than the digits it still has.
    ScanReader<char> reader(body);
    const auto voltage = reader.readInt32();
    if (voltage.status != ScanStatus::Read) return false;
    const auto current = reader.readInt32();
    if (current.status != ScanStatus::Read) return false;
    const auto divisor = reader.readInt32();
    if (divisor.status != ScanStatus::Read) return false;
    reader.skipWhite();
    if (reader.position() != body.size()) return false;
    frame_.rawVoltage = voltage.value;
    frame_.rawCurrent = current.value;
    frame_.divisor = divisor.value;
    return true;
}

}  // namespace vemtora
