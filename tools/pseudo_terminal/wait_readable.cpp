#include "tools/pseudo_terminal/wait_readable.h"

#include <poll.h>

#include <cerrno>

namespace vemtora::pty {

bool waitReadable(int fd, std::chrono::steady_clock::time_point deadline) {
    pollfd watched{fd, POLLIN, 0};
    int ready = 0;
    do {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        ready = ::poll(&watched, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

}  // namespace vemtora::pty
