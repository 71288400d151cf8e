// When the meter's bytes come out of the far end of a serial line, and in what writes.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace vemtora::simulator {

// How the bytes reach the reader: each frame in one write (what a pseudo-terminal does with a
// whole write), one byte at a time as a UART receives them (10 bit-times a byte), or in the
// bursts a USB serial adapter hands over every 16 ms.
enum class Delivery { Whole, Bytes, Bursts };

// What happens to bytes the reader has no room for: a meter with flow control waits for the
// reader; a UART without it drops them, cutting the frames they belong to.
enum class Overrun { Hold, Drop };

inline constexpr double kUsbBurstSeconds = 0.016;

class LinePacer {
public:
    LinePacer(Delivery delivery, double byteSeconds, Overrun overrun = Overrun::Hold)
        : delivery_(delivery), overrun_(overrun), byteSeconds_(byteSeconds) {}

    // Queues a frame whose first bit goes out no earlier than `earliest`, nor before the line is
    // free. Returns the time its last byte has arrived.
    double add(std::string frame, double earliest, bool wellFormed);

    // When the next write is due; nullopt when nothing is queued.
    std::optional<double> nextWrite() const;

    // What to write at `now`: the next byte, every byte arrived by then, or the next whole frame.
    std::string bytesDue(double now) const;

    struct Progress {
        std::size_t framesDone = 0;  // frames whose last byte went out
        std::size_t wellFormedDone = 0;
        std::size_t framesDropped = 0;  // frames that lost bytes, counted when their last byte is due
        std::size_t bytesDropped = 0;
    };
    // Takes note that `written` of the bytes from bytesDue(now) went out. A whole frame that
    // does not fit is dropped, as a full line drops it. Single bytes and bursts wait and are
    // tried again under Overrun::Hold; under Overrun::Drop the rest of the write is lost.
    Progress wrote(std::size_t written, double now);

    std::size_t queuedBytes() const;

private:
    struct QueuedFrame {
        std::string bytes;
        double firstArrival;  // when the stop bit of its first byte has gone by
        bool wellFormed;
        std::size_t sent = 0;  // bytes gone from the queue, written or dropped
        bool cut = false;
    };

    double arrival(const QueuedFrame& frame, std::size_t index) const {
        return frame.firstArrival + static_cast<double>(index) * byteSeconds_;
    }

    Delivery delivery_;
    Overrun overrun_;
    double byteSeconds_;
    double lineFree_ = 0.0;
    double retryAt_ = 0.0;
    std::deque<QueuedFrame> queue_;
};

}  // namespace vemtora::simulator
