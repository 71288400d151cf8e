// The logger's messages on standard error, never waiting for a reader: a terminal on hold or a
// pipe nobody reads must not stop the loop, and with it the log file. Messages from other
// threads (the network outputs') wait for the loop, which alone touches the descriptor, since
// standard output may share its open file description and its O_NONBLOCK flag.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "shell/logger/line_queue.h"

namespace vemtora::logger {

// Far more than a run says; a reader away for long loses the oldest messages, counted.
inline constexpr std::size_t kMessageQueueBytes = 64 * 1024;

class StandardError {
public:
    // The thread that makes it is the loop's: the one that writes. program: each line's prefix.
    StandardError(int fd, std::size_t capacity, std::string_view program);

    // Any thread: queues "program: sentence"; on the loop's thread also writes what fd takes now.
    void tell(std::string_view sentence);
    // On the loop's thread: writes what waits, as far as fd takes it now. Cheap when nothing waits.
    void flush();
    // At the end: waits for the reader until the deadline at most, then drops what is left.
    void finish(std::chrono::steady_clock::time_point deadline);

private:
    void flushLocked();

    int fd_;
    std::string program_;
    std::thread::id loop_;
    std::mutex mutex_;
    LineQueue queue_;
    std::size_t notShown_ = 0;  // messages dropped since the queue was last empty
    std::atomic<bool> waiting_{false};
};

}  // namespace vemtora::logger
