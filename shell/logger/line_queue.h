// Whole lines waiting for a slow reader, in at most a fixed number of bytes: when a new line does
// not fit, the oldest lines make room. A line that is part written stays, so the reader never
// sees one cut short.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vemtora::logger {

class LineQueue {
public:
    explicit LineQueue(std::size_t capacity) : capacity_(capacity) {}

    // A line without its line feed gets one. Returns how many lines gave way to it: older ones, or the
    // line itself when it cannot fit at all.
    std::size_t push(std::string_view line);

    bool empty() const { return head_ == buffer_.size(); }
    std::size_t lines() const { return lines_; }
    std::size_t bytes() const { return buffer_.size() - head_; }
    // What is left of the oldest line, line feed included: the next write's bytes.
    std::string_view front() const;
    // The first `count` bytes of front() were taken.
    void consume(std::size_t count);
    // Forgets every line; returns how many there were.
    std::size_t clear();

private:
    std::size_t lineEnd(std::size_t from) const { return buffer_.find('\n', from) + 1; }
    bool dropOldestWhole();

    std::size_t capacity_;
    std::string buffer_;
    std::size_t head_ = 0;  // bytes before it were written
    std::size_t lines_ = 0;
    bool frontStarted_ = false;  // part of the oldest line was written
};

}  // namespace vemtora::logger
