// A pseudo-terminal standing in for a meter on a serial line: the test writes into the master,
// the link under test opens the slave by its path.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>

#include <chrono>
#include <string>

#include "io/posix/owned_descriptor.h"

namespace vemtora::testing_support {

using Clock = std::chrono::steady_clock;

// Waits for fd to become readable, never past the deadline.
inline bool waitReadable(int fd, Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd watched{fd, POLLIN, 0};
    return left > 0 && ::poll(&watched, 1, static_cast<int>(left)) > 0;
}

class PseudoTerminal {
public:
    PseudoTerminal() {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) ADD_FAILURE() << "openpty failed";
        master_.reset(master);
        slave_.reset(slave);
        slavePath_ = name;
        // The test itself must never hang on the device, e.g. writing while output is stopped.
        ::fcntl(slave, F_SETFL, ::fcntl(slave, F_GETFL) | O_NONBLOCK);
    }

    int master() const { return master_.get(); }
    // The test's own descriptor on the device the link opens, to read back its settings.
    int slave() const { return slave_.get(); }
    const std::string& slavePath() const { return slavePath_; }

    void sendFromMeter(const std::string& bytes) const {
        ASSERT_EQ(::write(master(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // The cable is pulled: the slave is hung up and its device node goes away.
    void unplug() { master_.reset(); }

private:
    posix::OwnedDescriptor master_;
    posix::OwnedDescriptor slave_;
    std::string slavePath_;
};

}  // namespace vemtora::testing_support
