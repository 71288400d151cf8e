// Writing queued lines to a descriptor that may belong to a slow reader, without waiting for it.
#pragma once

#include <chrono>

#include "shell/logger/line_queue.h"

namespace vemtora::logger {

enum class Written { All, Blocked, Closed, Failed };

struct WriteOutcome {
    Written written;
    int error = 0;  // errno of a failure
};

// Writes the queue's lines, one write each, as far as fd takes them now. O_NONBLOCK is set on
// fd only while writing: its open file description may be a terminal shared with the shell.
// On Closed (EPIPE) and Failed the queue is emptied.
WriteOutcome writeQueuedLines(int fd, LineQueue& queue);

// Waits until fd takes bytes again or the deadline passes; false at the deadline.
bool waitWritable(int fd, std::chrono::steady_clock::time_point deadline);

}  // namespace vemtora::logger
