// The standard output's queue: one buffer, never larger than its capacity.
#include "shell/logger/line_queue.h"

namespace vemtora::logger {

std::string_view LineQueue::front() const {
    if (empty()) return {};
    return std::string_view(buffer_).substr(head_, lineEnd(head_) - head_);
}

bool LineQueue::dropOldestWhole() {
    if (lines_ == 0 || (frontStarted_ && lines_ == 1)) return false;
    if (frontStarted_) {
        const std::size_t second = lineEnd(head_);
        buffer_.erase(second, lineEnd(second) - second);
    } else {
        head_ = lineEnd(head_);
    }
    --lines_;
    return true;
}

std::size_t LineQueue::push(std::string_view line) {
    if (line.empty()) return 0;
    // Every line in the buffer ends with its line feed: that is where the next one begins.
    const bool ended = line.back() == '\n';
    const std::size_t size = line.size() + (ended ? 0 : 1);
    std::size_t dropped = 0;
    while (bytes() + size > capacity_ && dropOldestWhole()) ++dropped;
    if (bytes() + size > capacity_) return dropped + 1;
    // Written bytes go before the buffer would outgrow the capacity, so it never does.
    if (buffer_.size() + size > capacity_) {
        buffer_.erase(0, head_);
        head_ = 0;
    }
    if (buffer_.capacity() < capacity_) buffer_.reserve(capacity_);
    buffer_.append(line);
    if (!ended) buffer_ += '\n';
    ++lines_;
    return dropped;
}

void LineQueue::consume(std::size_t count) {
    const std::size_t end = lineEnd(head_);
    head_ += count;
    frontStarted_ = head_ < end;
    if (!frontStarted_) --lines_;
    if (empty()) clear();
}

std::size_t LineQueue::clear() {
    const std::size_t had = lines_;
    buffer_.clear();
    head_ = 0;
    lines_ = 0;
    frontStarted_ = false;
    return had;
}

}  // namespace vemtora::logger
