// One line per write, never waiting.
#include "shell/logger/queued_write.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "io/posix/posix_result.h"

namespace vemtora::logger {

namespace {

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

WriteOutcome writeQueuedLines(int fd, LineQueue& queue) {
    const NonBlockingWhileWriting nonBlocking(fd);
    while (!queue.empty()) {
        // One line per write: a pipe takes up to 4 KiB whole or not at all, so no reader sees
        // a line in pieces.
        const std::string_view line = queue.front();
        const ssize_t result = posix::retryOnInterrupt([&] { return ::write(fd, line.data(), line.size()); });
        if (result > 0) {
            queue.consume(static_cast<std::size_t>(result));
            continue;
        }
        const int error = result == 0 ? EIO : errno;
        if (error == EAGAIN || error == EWOULDBLOCK) return {Written::Blocked};
        queue.clear();
        return {error == EPIPE ? Written::Closed : Written::Failed, error};
    }
    return {Written::All};
}

bool waitWritable(int fd, std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd writable{fd, POLLOUT, 0};
    return left > 0 && posix::retryOnInterrupt([&] { return ::poll(&writable, 1, static_cast<int>(left)); }) > 0;
}

}  // namespace vemtora::logger
