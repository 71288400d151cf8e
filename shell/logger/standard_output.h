// The logger's standard output, written without ever waiting: a reader that pauses (a pager, a
// terminal on hold, a stuck pipe) holds up neither the meter nor the log file. Lines wait in a
// bounded queue and the oldest give way when it is full; the loop watches the descriptor while
// any wait.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "shell/logger/line_queue.h"
#include "shell/logger/loss_run.h"
#include "shell/logger/queued_write.h"

namespace vemtora::logger {

// A minute of 0.1 s lines takes 16 KiB: a reader may pause for about an hour before any is lost.
inline constexpr std::size_t kOutputQueueBytes = std::size_t{1} << 20;

class StandardOutput {
public:
    using Report = std::function<void(std::string_view sentence)>;

    // fd stays as it was found between writes: its open file description may be the terminal
    // of the shell that started the logger. logKept: a log file has every line, the messages
    // about lines not shown say so.
    StandardOutput(int fd, std::size_t capacity, bool logKept, Report report);

    int fd() const { return fd_; }
    // Queues the line and writes what the descriptor takes now.
    void write(std::string_view line);
    // Writes what the descriptor takes now, after it became writable.
    void flush();
    // Lines wait for the descriptor to become writable.
    bool waiting() const { return !queue_.empty() && !closed_; }
    // The reader went away (EPIPE): nobody wants further lines.
    bool closed() const { return closed_; }
    // At the end: waits for the reader at most `patience`, then drops what is left and says how
    // many lines were not shown.
    void finish(std::chrono::milliseconds patience);

private:
    Written writeQueued();
    std::string notShown(std::size_t lines) const;

    int fd_;
    LineQueue queue_;
    bool logKept_;
    Report report_;
    bool closed_ = false;
    std::size_t notShown_ = 0;  // lines dropped since the queue was last empty
    LossRun failures_;
};

}  // namespace vemtora::logger
