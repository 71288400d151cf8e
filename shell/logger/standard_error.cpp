// Queued messages, written by the loop's thread alone.
#include "shell/logger/standard_error.h"

#include <string>

#include "core/usage_text.h"
#include "shell/logger/queued_write.h"

namespace vemtora::logger {

StandardError::StandardError(int fd, std::size_t capacity, std::string_view program)
    : fd_(fd), program_(program), loop_(std::this_thread::get_id()), queue_(capacity) {}

void StandardError::tell(std::string_view sentence) {
    const std::string line = messageLine(program_, sentence);
    const std::lock_guard lock(mutex_);
    notShown_ += queue_.push(line);
    if (std::this_thread::get_id() == loop_) {
        flushLocked();
    } else {
        waiting_ = true;
    }
}

void StandardError::flush() {
    if (!waiting_) return;
    const std::lock_guard lock(mutex_);
    flushLocked();
}

void StandardError::flushLocked() {
    Written written = writeQueuedLines(fd_, queue_).written;
    // Said once the reader is back, after what it missed.
    if (written == Written::All && notShown_ > 0) {
        queue_.push(messageLine(program_, std::to_string(notShown_) +
                                              (notShown_ == 1 ? " message was" : " messages were") +
                                              " not shown on standard error"));
        notShown_ = 0;
        written = writeQueuedLines(fd_, queue_).written;
    }
    // Nobody to tell, or no way to: nothing waits any more.
    waiting_ = written == Written::Blocked;
}

void StandardError::finish(std::chrono::steady_clock::time_point deadline) {
    const std::lock_guard lock(mutex_);
    flushLocked();
    while (waiting_ && waitWritable(fd_, deadline)) flushLocked();
    queue_.clear();
    waiting_ = false;
}

}  // namespace vemtora::logger
