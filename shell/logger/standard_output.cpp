// Writing standard output from its queue without blocking.
#include "shell/logger/standard_output.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "io/posix/failure.h"
#include "io/posix/posix_result.h"

namespace vemtora::logger {

namespace {

using Clock = std::chrono::steady_clock;

// O_NONBLOCK belongs to the open file description, which a terminal shares with the shell and
// every program in it: set only while the logger writes, then put back as found.
class NonBlockingWhileWriting {
public:
    explicit NonBlockingWhileWriting(int fd) : fd_(fd), flags_(::fcntl(fd, F_GETFL)) {
        set_ = flags_ != -1 && (flags_ & O_NONBLOCK) == 0 && ::fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK) == 0;
    }
    ~NonBlockingWhileWriting() {
        if (set_) ::fcntl(fd_, F_SETFL, flags_);
    }
    NonBlockingWhileWriting(const NonBlockingWhileWriting&) = delete;
    NonBlockingWhileWriting& operator=(const NonBlockingWhileWriting&) = delete;

private:
    int fd_;
    int flags_;
    bool set_ = false;
};

}  // namespace

StandardOutput::StandardOutput(int fd, std::size_t capacity, bool logKept, Report report)
    : fd_(fd), queue_(capacity), logKept_(logKept), report_(std::move(report)) {}

std::string StandardOutput::notShown(std::size_t lines) const {
    return std::to_string(lines) + (lines == 1 ? " line was" : " lines were") + " not shown on standard output" +
           (logKept_ ? " (the log file has them)" : "");
}

void StandardOutput::write(std::string_view line) {
    if (closed_) return;
    const std::size_t dropped = queue_.push(line);
    if (dropped > 0 && notShown_ == 0) {
        report_(std::string("standard output is not being read; its oldest lines make room for new ones") +
                (logKept_ ? " (the log file has them all)" : ""));
    }
    notShown_ += dropped;
    flush();
}

void StandardOutput::flush() {
    if (!waiting()) return;
    const Written written = writeQueued();
    if (written == Written::Closed || written == Written::Failed) return;
    // A failure once cleared is said once, with the lines it cost.
    if (failures_.changed(false)) report_("writing to standard output again");
    if (written == Written::All && notShown_ > 0) {
        report_("standard output is being read again; " + notShown(notShown_));
        notShown_ = 0;
    }
}

StandardOutput::Written StandardOutput::writeQueued() {
    const NonBlockingWhileWriting nonBlocking(fd_);
    while (!queue_.empty()) {
        // One line per write: a pipe takes up to 4 KiB whole or not at all, so no reader sees
        // a line in pieces.
        const std::string_view line = queue_.front();
        const ssize_t result = posix::retryOnInterrupt([&] { return ::write(fd_, line.data(), line.size()); });
        if (result > 0) {
            queue_.consume(static_cast<std::size_t>(result));
            continue;
        }
        const int error = result == 0 ? EIO : errno;
        if (error == EAGAIN || error == EWOULDBLOCK) return Written::Blocked;
        queue_.clear();
        if (error == EPIPE) {
            closed_ = true;
            return Written::Closed;
        }
        if (failures_.changed(true)) {
            report_("cannot write to standard output: " + posix::errorText(error) + "; lines are lost");
        }
        return Written::Failed;
    }
    return Written::All;
}

void StandardOutput::finish(std::chrono::milliseconds patience) {
    const Clock::time_point deadline = Clock::now() + patience;
    flush();
    while (waiting()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd writable{fd_, POLLOUT, 0};
        if (left <= 0 || posix::retryOnInterrupt([&] { return ::poll(&writable, 1, static_cast<int>(left)); }) <= 0) {
            break;
        }
        flush();
    }
    if (closed_) return;
    notShown_ += queue_.clear();
    if (notShown_ > 0) report_(notShown(notShown_));
    notShown_ = 0;
}

}  // namespace vemtora::logger
