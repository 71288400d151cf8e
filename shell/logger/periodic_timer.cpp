// The timerfd behind the logger's poll, report and reconnect ticks.
#include "shell/logger/periodic_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include "io/posix/posix_result.h"

namespace vemtora::logger {

namespace {

itimerspec everyPeriod(std::int32_t periodMs) {
    const timespec period{periodMs / 1000, static_cast<long>(periodMs % 1000) * 1000000L};
    return {period, period};
}

}  // namespace

PeriodicTimer::PeriodicTimer() : fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {}

void PeriodicTimer::start(std::int32_t periodMs) {
    if (periodMs <= 0) periodMs = 1;  // a zero period would disarm the timer instead
    const itimerspec setting = everyPeriod(periodMs);
    running_ = ::timerfd_settime(fd_.get(), 0, &setting, nullptr) == 0;
}

void PeriodicTimer::stop() {
    const itimerspec disarmed{};
    ::timerfd_settime(fd_.get(), 0, &disarmed, nullptr);
    running_ = false;
    takeTicks();  // a tick that fell due before the stop is not wanted afterwards
}

std::uint64_t PeriodicTimer::takeTicks() {
    std::uint64_t ticks = 0;
    const ssize_t result = posix::retryOnInterrupt([&] { return ::read(fd_.get(), &ticks, sizeof ticks); });
    return result == static_cast<ssize_t>(sizeof ticks) ? ticks : 0;
}

}  // namespace vemtora::logger
