// Readings that wait for the broker, oldest first, in room fixed at the start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "io/mqtt/reading_message.h"

namespace vemtora::mqtt {

// An hour of readings at the shortest interval, 0.1 s.
inline constexpr std::size_t kQueuedReadings = 36000;

class ReadingQueue {
public:
    explicit ReadingQueue(std::size_t capacity = kQueuedReadings);

    // When full, the oldest reading gives way; returns false then.
    bool push(const PublishedReading& reading);
    const PublishedReading* front() const { return size_ > 0 ? &slots_[head_] : nullptr; }
    // The index-th oldest; index < size().
    const PublishedReading& at(std::size_t index) const { return slots_[(head_ + index) % slots_.size()]; }
    void pop();

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return slots_.size(); }
    bool empty() const { return size_ == 0; }
    // Readings that gave way since the start.
    std::uint64_t dropped() const { return dropped_; }

private:
    std::vector<PublishedReading> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
    std::uint64_t dropped_ = 0;
};

}  // namespace vemtora::mqtt
