// A pseudo-terminal standing in for a meter on a serial line: the test writes into the master,
// the link under test opens the slave by its path.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

#include "io/posix/owned_descriptor.h"

namespace vemtora::testing_support {

using Clock = std::chrono::steady_clock;
inline constexpr std::chrono::seconds kEventDeadline{5};

// Waits for fd to become readable, but never past the deadline; false when it did not.
inline bool waitReadable(int fd, Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, static_cast<int>(left.count())) > 0;
}

class PseudoTerminal {
public:
    PseudoTerminal() {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "openpty failed";
            return;
        }
        master_.reset(master);
        slave_.reset(slave);
        // Never let the test itself hang on the device, e.g. writing while output is stopped.
        ::fcntl(slave, F_SETFL, ::fcntl(slave, F_GETFL) | O_NONBLOCK);
        slavePath_ = name;
    }

    int master() const { return master_.get(); }
    // The test's own descriptor on the device the link opens: for reading back its settings.
    int slave() const { return slave_.get(); }
    const std::string& slavePath() const { return slavePath_; }

    void sendFromMeter(std::string_view bytes) const {
        ASSERT_EQ(::write(master(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Waits until the device holds at least count unread bytes, so a poll sees them all at once.
    bool waitForPendingBytes(int count) const {
        const auto deadline = Clock::now() + kEventDeadline;
        int pending = 0;
        while (::ioctl(slave(), FIONREAD, &pending) == 0 && pending < count) {
            if (!waitReadable(slave(), deadline)) return false;
            // Readable as soon as one byte is in; the rest follows from the same write.
            if (Clock::now() >= deadline) return false;
        }
        return pending >= count;
    }

    // Everything the master side has received until the deadline or until `until` appears.
    std::string readFromMaster(char until) const {
        std::string received;
        const auto deadline = Clock::now() + kEventDeadline;
        while (received.find(until) == std::string::npos && waitReadable(master(), deadline)) {
            char chunk[64];
            const ssize_t n = ::read(master(), chunk, sizeof chunk);
            if (n <= 0) break;
            received.append(chunk, static_cast<std::size_t>(n));
        }
        return received;
    }

    // The cable is pulled: the slave side is hung up and its device node goes away.
    void unplug() { master_.reset(); }

private:
    posix::OwnedDescriptor master_;
    posix::OwnedDescriptor slave_;
    std::string slavePath_;
};

}  // namespace vemtora::testing_support
