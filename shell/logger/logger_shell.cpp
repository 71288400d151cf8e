// The logger's loop: poll ticks, report ticks, reconnect ticks and termination signals.
#include "shell/logger/logger_shell.h"

#include <sys/epoll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

#include "io/posix/failure.h"
#include "shell/logger/logger_texts.h"
#include "shell/logger/wall_clock.h"
#include "shell/logger_common/exit_status.h"

namespace vemtora::logger {

LoggerShell::LoggerShell(const LoggerOptions& options, SerialPortLink& link, TeeLogFile& log,
                         posix::TerminationSignals& signals, ReadingSink* readings)
    : options_(options),
      link_(link),
      log_(log),
      signals_(signals),
      readings_(readings),
      controller_(options.settings, link, log, *this) {
    if (readings_ != nullptr) controller_.setReadingSink(this);
}

LoggerShell::~LoggerShell() { controller_.shutdown(); }

LocalTime LoggerShell::localTime() { return localWallClock(); }

std::optional<std::wstring> LoggerShell::chooseLogFile() { return options_.logPath.value_or(std::wstring()); }

// Every report interval is a whole number of poll periods: on the poll timer's grid, a report
// tick comes with a poll tick instead of waking the logger once more.
void LoggerShell::restartReportTimer(std::int32_t periodMs) { reportTimer_.start(periodMs, kPollPeriodMs); }

void LoggerShell::takeReading(const IntervalReading& reading) {
    IntervalReading covered = reading;
    covered.intervalMs = reportCoveredMs_;
    readings_->takeReading(covered);
}

void LoggerShell::collectingChanged(bool collecting) { readings_->collectingChanged(collecting); }

bool LoggerShell::start() {
    if (!signals_.valid() || !pollTimer_.valid() || !reportTimer_.valid() || !reconnectTimer_.valid() ||
        !endTimer_.valid()) {
        tellUser("cannot set up timers and signals: " + posix::errorText(errno));
        return false;
    }
    controller_.initialise();
    controller_.startCollecting();
    if (!controller_.collecting()) {
        tellUser(posix::describeFailure(link_.lastFailure()));
        return false;
    }
    controller_.startLogging();
    if (!controller_.logging()) {
        tellUser(log_.openFailureText());
        return false;
    }
    restartReportTimer(controller_.reportIntervalMs());
    pollTimer_.start(kPollPeriodMs, kPollPeriodMs);
    if (options_.durationMs) endTimer_.start(*options_.durationMs);
    return true;
}

int LoggerShell::run() {
    if (!start()) {
        controller_.shutdown();
        return kExitRuntimeFailure;
    }
    const int sources[kSourceCount] = {signals_.fd(),        pollTimer_.fd(), reportTimer_.fd(),
                                       reconnectTimer_.fd(), endTimer_.fd(),  -1};
    // epoll, not poll: 40 waits a second, and epoll keeps its watch list between them.
    events_.reset(::epoll_create1(EPOLL_CLOEXEC));
    bool watching = events_.isOpen();
    for (std::uint32_t which = 0; watching && which < kOutput; ++which) {
        epoll_event watch{EPOLLIN, {}};
        watch.data.u32 = which;
        watching = ::epoll_ctl(events_.get(), EPOLL_CTL_ADD, sources[which], &watch) == 0;
    }
    if (!watching) {
        tellUser("cannot wait for events: " + posix::errorText(errno));
        controller_.shutdown();
        return kExitRuntimeFailure;
    }
    exitStatus_ = kExitOk;
    for (;;) {
        epoll_event ready[kSourceCount];
        const int count = ::epoll_wait(events_.get(), ready, kSourceCount, -1);
        if (count < 0) {
            if (errno == EINTR) continue;
            tellUser("cannot wait for events: " + posix::errorText(errno));
            exitStatus_ = kExitRuntimeFailure;
            break;
        }
        bool readable[kSourceCount] = {};
        for (int i = 0; i < count; ++i) readable[ready[i].data.u32 % kSourceCount] = true;
        const auto due = [&](int which, PeriodicTimer& timer) { return readable[which] && timer.takeTicks() > 0; };
        if (readable[kSignals] && !onSignal(signals_.take())) break;
        if (readable[kOutput] && !onOutputWritable()) break;
        // Bytes first, so frames that arrived with a report tick count in the interval they closed.
        if (due(kPoll, pollTimer_) && !onPollTick()) break;
        if (readable[kReport]) {
            const std::uint64_t ticks = reportTimer_.takeTicks();
            if (ticks > 0 && !onReportTick(ticks)) break;
        }
        if (due(kReconnect, reconnectTimer_)) onReconnectTick();
        // After the report it may come with, as a signal would end the run.
        if (due(kEnd, endTimer_)) break;
    }
    controller_.shutdown();
    // Whatever standard output and error do, the end comes within a second of the signal.
    const auto deadline = std::chrono::steady_clock::now() + kOutputPatience;
    if (StandardOutput* output = log_.output()) output->finish(kOutputPatience);
    standardError().finish(deadline);
    return exitStatus_;
}

bool LoggerShell::onSignal(int signal) {
    if (signal == 0) return true;
    if (signal != kReopenSignal) return false;
    log_.reopenFile();
    return true;
}

bool LoggerShell::onOutputWritable() {
    StandardOutput* output = log_.output();
    if (output != nullptr) output->flush();
    watchOutput();
    return !log_.outputClosed();
}

// Watched only while lines wait: a pipe or terminal is writable nearly always.
void LoggerShell::watchOutput() {
    const StandardOutput* output = log_.output();
    const bool wanted = output != nullptr && output->waiting();
    if (wanted == watchingOutput_) return;
    epoll_event watch{EPOLLOUT, {}};
    watch.data.u32 = kOutput;
    // A descriptor epoll cannot watch (a regular file) never makes lines wait anyway; the next
    // line tries again.
    if (::epoll_ctl(events_.get(), wanted ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, output->fd(), &watch) == 0) {
        watchingOutput_ = wanted;
    }
}

bool LoggerShell::onPollTick() {
    standardError().flush();
    controller_.onPollTick();
    return !link_.deviceLost() || onDeviceLost();
}

bool LoggerShell::onReportTick(std::uint64_t ticks) {
    standardError().flush();
    // One line per tick handled, as in the window; the reading covers every period the timer
    // counted since the last, on the monotonic clock, so a late tick loses no time.
    const std::uint64_t periods = std::min<std::uint64_t>(ticks, INT32_MAX / controller_.reportIntervalMs());
    reportCoveredMs_ = static_cast<std::int32_t>(periods) * controller_.reportIntervalMs();
    if (ticks > 1 && !toldLateReport_) {
        tellUser("a report came " + std::to_string(ticks - 1) + " interval" + (ticks == 2 ? "" : "s") +
                 " late (the logger was held up): its line covers " + std::to_string(reportCoveredMs_) +
                 " ms, and the energy counts them all; said once");
        toldLateReport_ = true;
    }
    controller_.onReportTick();
    watchOutput();
    // Nobody reads the lines any more: end as if told to, with the log's last line whole.
    return !log_.outputClosed();
}

bool LoggerShell::onDeviceLost() {
    const std::string why = posix::describeFailure(link_.lastFailure());
    // Stop and Start as a user would: the scanner drops what it held, so no frame joins bytes
    // from before the loss with bytes from after it.
    controller_.stopCollecting();
    pollTimer_.stop();
    if (!options_.reconnect) {
        tellUser(why + "; exiting (--no-reconnect)");
        exitStatus_ = kExitRuntimeFailure;
        return false;
    }
    tellUser(why + "; trying to open it again every second");
    reconnectTimer_.start(kReconnectPeriodMs);
    return true;
}

void LoggerShell::onReconnectTick() {
    controller_.startCollecting();
    if (!controller_.collecting()) return;
    reconnectTimer_.stop();
    pollTimer_.start(kPollPeriodMs, kPollPeriodMs);
    tellUser(link_.devicePath() + " is back; reading again");
}

}  // namespace vemtora::logger
