// Arbitrary bytes from the line: whatever the cuts between polls, the scanner finds the frames
// it finds in the whole stream, each once.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/frame_scanner.h"

using namespace vemtora;

namespace {

std::vector<MeterFrame> framesOf(std::string_view stream, const std::uint8_t* cuts, std::size_t cutCount) {
    FrameScanner scanner;
    std::vector<MeterFrame> frames;
    const auto collect = [&](const MeterFrame& frame) { frames.push_back(frame); };
    std::size_t next = 0;
    for (std::size_t i = 0; next < stream.size(); ++i) {
        // Polls of 1 to 32 bytes; without cuts, the stream in one piece.
        std::size_t size = cutCount == 0 ? stream.size() : cuts[i % cutCount] % kMaxPollBytes + 1;
        if (size > stream.size() - next) size = stream.size() - next;
        scanner.scan(stream.substr(next, size), collect);
        next += size;
    }
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says how many of the following bytes are poll sizes; the rest is the stream.
    if (size == 0) return 0;
    std::size_t cutCount = data[0] % 16;
    if (cutCount > size - 1) cutCount = size - 1;
    const std::uint8_t* cuts = data + 1;
    const std::string_view stream(reinterpret_cast<const char*>(cuts + cutCount), size - 1 - cutCount);

    const auto whole = framesOf(stream, nullptr, 0);
    if (framesOf(stream, cuts, cutCount) != whole) std::abort();
    // Byte by byte, as a slow line delivers them.
    const std::uint8_t one = 0;
    if (framesOf(stream, &one, 1) != whole) std::abort();

    std::size_t endMarks = 0;
    for (const char c : stream) endMarks += c == 'z';
    if (whole.size() > endMarks) std::abort();

    // 32-bit raw values with the default scales cannot leave the finite range.
    FrameScanner scanner;
    IntervalAccumulator totals;
    scanner.scanFrames(stream, {}, totals);
    if (!std::isfinite(totals.voltageTotal) || !std::isfinite(totals.currentTotal) || !std::isfinite(totals.powerTotal)) {
        std::abort();
    }
    std::size_t positive = 0;
    for (const auto& frame : whole) positive += frame.divisor > 0;
    if (static_cast<std::size_t>(totals.frameCount) != positive) std::abort();
    return 0;
}
