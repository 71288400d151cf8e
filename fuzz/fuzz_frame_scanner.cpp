// Arbitrary bytes from the line, cut into polls of 0 to 32 bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/meter_frame.h"

using namespace vemtora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FrameScanner scanner;
    IntervalAccumulator totals;
    const AcquisitionSettings settings;
    std::size_t pos = 0;
    while (pos < size) {
        // Each poll: one byte for its length, then that many bytes.
        std::size_t count = data[pos++] % (kMaxPollBytes + 1);
        if (count > size - pos) count = size - pos;
        ReceiveBuffer buffer;
        std::memset(buffer.data(), 'z', buffer.size());
        std::memcpy(buffer.data(), data + pos, count);
        pos += count;

        std::size_t endMarks = 0;
        for (std::size_t i = 0; i < count && buffer[i] != '\0'; ++i) endMarks += buffer[i] == 'z';
        const std::int32_t before = totals.frameCount;
        scanner.scanFrames(buffer, count, settings, totals);

        // Never more frames than end marks, never fewer than before.
        if (totals.frameCount < before || static_cast<std::size_t>(totals.frameCount - before) > endMarks) std::abort();
        if (count > 0 && buffer[count] != '\0') std::abort();
        // 32-bit raw values with the default scales cannot leave the finite range.
        if (!std::isfinite(totals.voltageTotal) || !std::isfinite(totals.currentTotal) ||
            !std::isfinite(totals.powerTotal)) {
            std::abort();
        }
    }
    return 0;
}
