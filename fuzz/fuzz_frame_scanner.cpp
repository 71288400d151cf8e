// Arbitrary bytes from the line: whatever the cuts between polls, the scanner finds the frames
// it finds in the whole stream, each once.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/frame_scanner.h"
#include "core/meter_frame.h"
#include "split_input.h"

using namespace vemtora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzing::SplitInput input(data, size);
    const std::string_view stream = input.stream;

    FrameScanner scanner;
    std::vector<MeterFrame> whole;
    scanner.scan(stream, [&](const MeterFrame& frame) { whole.push_back(frame); });

    // In polls of 1 to 256 bytes as the input says, or byte by byte as a slow line delivers them.
    FrameScanner polled;
    std::vector<MeterFrame> frames;
    input.forEachPiece(kMaxPollBytes, [&](std::string_view poll) {
        polled.scan(poll, [&](const MeterFrame& frame) { frames.push_back(frame); });
    });
    if (frames != whole) std::abort();

    std::size_t endMarks = 0;
    for (const char c : stream) endMarks += c == 'z';
    if (whole.size() > endMarks) std::abort();

    // 32-bit raw values with the default scales cannot leave the finite range.
    scanner = FrameScanner{};
    IntervalAccumulator totals;
    scanner.scan(stream, [&](const MeterFrame& frame) { totals.addFrame(frame, {}); });
    if (!std::isfinite(totals.voltageTotal) || !std::isfinite(totals.currentTotal) ||
        !std::isfinite(totals.powerTotal)) {
        std::abort();
    }
    std::size_t positive = 0;
    for (const auto& frame : whole) positive += frame.divisor > 0;
    if (static_cast<std::size_t>(totals.frameCount) != positive) std::abort();
    return 0;
}
