// A periodic timer on a timerfd: ticks at fixed monotonic steps, so they never drift.
#pragma once

#include <cstdint>

#include "io/posix/owned_descriptor.h"

namespace vemtora::logger {

class PeriodicTimer {
public:
    PeriodicTimer();

    bool valid() const { return fd_.isOpen(); }
    // Readable while ticks are waiting; never readable while stopped.
    int fd() const { return fd_.get(); }

    // The first tick is one full period away. With a grid it moves on to the next multiple of
    // gridMs on the monotonic clock: timers on the same grid tick together and wake the process
    // once, not once each.
    void start(std::int64_t periodMs, std::int32_t gridMs = 0);
    void stop();

    // Ticks since the last call; several when the process was held up, 0 when none is due.
    std::uint64_t takeTicks();

private:
    posix::OwnedDescriptor fd_;
};

}  // namespace vemtora::logger
