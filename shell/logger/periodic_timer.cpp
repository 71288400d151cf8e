// The timerfd behind the logger's poll, report and reconnect ticks.
#include "shell/logger/periodic_timer.h"

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include "io/posix/posix_result.h"

namespace vemtora::logger {

namespace {

constexpr std::int64_t kNanosecondsPerMs = 1000000;
constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

timespec fromNanoseconds(std::int64_t nanoseconds) {
    return {static_cast<time_t>(nanoseconds / kNanosecondsPerSecond),
            static_cast<long>(nanoseconds % kNanosecondsPerSecond)};
}

}  // namespace

PeriodicTimer::PeriodicTimer() : fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {}

void PeriodicTimer::start(std::int64_t periodMs, std::int32_t gridMs) {
    if (periodMs <= 0) periodMs = 1;  // a zero period would disarm the timer instead
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t period = periodMs * kNanosecondsPerMs;
    std::int64_t first = now.tv_sec * kNanosecondsPerSecond + now.tv_nsec + period;
    if (gridMs > 0) {
        const std::int64_t grid = gridMs * kNanosecondsPerMs;
        first = (first + grid - 1) / grid * grid;
    }
    const itimerspec setting{fromNanoseconds(period), fromNanoseconds(first)};
    ::timerfd_settime(fd_.get(), TFD_TIMER_ABSTIME, &setting, nullptr);
}

void PeriodicTimer::stop() {
    const itimerspec disarmed{};
    ::timerfd_settime(fd_.get(), 0, &disarmed, nullptr);
    takeTicks();  // a tick that fell due before the stop is not wanted afterwards
}

std::uint64_t PeriodicTimer::takeTicks() {
    std::uint64_t ticks = 0;
    const ssize_t result = posix::retryOnInterrupt([&] { return ::read(fd_.get(), &ticks, sizeof ticks); });
    return result == static_cast<ssize_t>(sizeof ticks) ? ticks : 0;
}

}  // namespace vemtora::logger
