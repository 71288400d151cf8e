#include "tools/meter_simulator/line_pacer.h"

#include <algorithm>
#include <cmath>

namespace vemtora::simulator {

double LinePacer::add(std::string frame, double earliest, bool wellFormed) {
    if (frame.empty()) return lineFree_;
    const double start = std::max(earliest, lineFree_);
    lineFree_ = start + static_cast<double>(frame.size()) * byteSeconds_;
    queue_.push_back({std::move(frame), start + byteSeconds_, wellFormed});
    return lineFree_;
}

std::optional<double> LinePacer::nextWrite() const {
    if (queue_.empty()) return std::nullopt;
    const QueuedFrame& front = queue_.front();
    double due = 0.0;
    switch (delivery_) {
        case Delivery::Whole: due = arrival(front, front.bytes.size() - 1); break;
        case Delivery::Bytes: due = arrival(front, front.sent); break;
        case Delivery::Bursts: {
            // The adapter's clock ticks on its own, whatever the meter's timing.
            const double first = arrival(front, front.sent);
            due = std::ceil(first / kUsbBurstSeconds) * kUsbBurstSeconds;
            if (due < first) due += kUsbBurstSeconds;  // rounding must not leave the byte unarrived
            break;
        }
    }
    return std::max(due, retryAt_);
}

std::string LinePacer::bytesDue(double now) const {
    if (queue_.empty()) return {};
    const QueuedFrame& front = queue_.front();
    switch (delivery_) {
        case Delivery::Whole: return front.bytes;
        case Delivery::Bytes: return front.bytes.substr(front.sent, 1);
        case Delivery::Bursts: break;
    }
    std::string burst;
    for (const QueuedFrame& frame : queue_) {
        for (std::size_t i = frame.sent; i < frame.bytes.size(); ++i) {
            if (arrival(frame, i) > now) return burst;
            burst += frame.bytes[i];
        }
    }
    return burst;
}

LinePacer::Progress LinePacer::wrote(std::size_t written, double now) {
    Progress progress;
    const std::size_t wanted = bytesDue(now).size();
    if (delivery_ == Delivery::Whole) {
        if (!queue_.empty()) {
            const bool whole = written == wanted;
            ++(whole ? progress.framesDone : progress.framesDropped);
            progress.wellFormedDone += whole && queue_.front().wellFormed;
            progress.bytesDropped += wanted - written;
            queue_.pop_front();
        }
        return progress;
    }
    std::size_t lost = 0;
    if (written < wanted) {
        if (overrun_ == Overrun::Drop) {
            lost = wanted - written;
            progress.bytesDropped = lost;
        } else {
            retryAt_ = now + (delivery_ == Delivery::Bytes ? byteSeconds_ : kUsbBurstSeconds);
        }
    }
    while (written + lost > 0 && !queue_.empty()) {
        QueuedFrame& front = queue_.front();
        const std::size_t left = front.bytes.size() - front.sent;
        const std::size_t taken = std::min(written, left);
        const std::size_t dropped = std::min(lost, left - taken);
        front.sent += taken + dropped;
        front.cut = front.cut || dropped > 0;
        written -= taken;
        lost -= dropped;
        if (front.sent == front.bytes.size()) {
            ++(front.cut ? progress.framesDropped : progress.framesDone);
            progress.wellFormedDone += !front.cut && front.wellFormed;
            queue_.pop_front();
        }
    }
    return progress;
}

std::size_t LinePacer::queuedBytes() const {
    std::size_t total = 0;
    for (const QueuedFrame& frame : queue_) total += frame.bytes.size() - frame.sent;
    return total;
}

}  // namespace vemtora::simulator
