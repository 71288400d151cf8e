// A ring: the room is taken once, so a long outage costs no allocation in the data path.
#include "io/mqtt/reading_queue.h"

namespace vemtora::mqtt {

ReadingQueue::ReadingQueue(std::size_t capacity) : slots_(capacity > 0 ? capacity : 1) {}

bool ReadingQueue::push(const PublishedReading& reading) {
    const bool full = size_ == slots_.size();
    if (full) {
        pop();
        ++dropped_;
    }
    slots_[(head_ + size_) % slots_.size()] = reading;
    ++size_;
    return !full;
}

void ReadingQueue::pop() {
    if (size_ == 0) return;
    head_ = (head_ + 1) % slots_.size();
    --size_;
}

}  // namespace vemtora::mqtt
