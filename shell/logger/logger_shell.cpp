// The logger's loop: poll ticks, report ticks, reconnect ticks and termination signals.
#include "shell/logger/logger_shell.h"

#include <poll.h>

#include <cerrno>

#include "io/posix/failure.h"
#include "shell/logger/exit_status.h"
#include "shell/logger/logger_texts.h"
#include "shell/logger/wall_clock.h"

namespace vemtora::logger {

LoggerShell::LoggerShell(const LoggerOptions& options, SerialPortLink& link, TeeLogFile& log,
                         TerminationSignals& signals)
    : options_(options), link_(link), log_(log), signals_(signals), controller_(options.settings, link, log, *this) {}

LoggerShell::~LoggerShell() { controller_.shutdown(); }

LocalTime LoggerShell::localTime() { return localWallClock(); }

void LoggerShell::restartReportTimer(std::int32_t periodMs) { reportTimer_.start(periodMs); }

bool LoggerShell::start() {
    if (!signals_.valid() || !pollTimer_.valid() || !reportTimer_.valid() || !reconnectTimer_.valid()) {
        tellUser("cannot set up timers and signals: " + posix::errorText(errno));
        return false;
    }
    // Like the window's menus: initialise resets speed and interval, so they are chosen after it.
    controller_.initialise();
    controller_.selectBaudRate(options_.settings.baudRate);
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
    controller_.selectReportInterval(options_.settings.reportIntervalMs);
    pollTimer_.start(kPollPeriodMs);
    return true;
}

int LoggerShell::run() {
    if (!start()) {
        controller_.shutdown();
        return kExitRuntimeFailure;
    }
    enum { kSignals, kPoll, kReport, kReconnect, kCount };
    pollfd watched[kCount] = {{signals_.fd(), POLLIN, 0},
                              {pollTimer_.fd(), POLLIN, 0},
                              {reportTimer_.fd(), POLLIN, 0},
                              {reconnectTimer_.fd(), POLLIN, 0}};
    exitStatus_ = kExitOk;
    for (;;) {
        if (::poll(watched, kCount, -1) < 0) {
            if (errno == EINTR) continue;
            tellUser("cannot wait for events: " + posix::errorText(errno));
            exitStatus_ = kExitRuntimeFailure;
            break;
        }
        if (watched[kSignals].revents != 0 && signals_.take() != 0) break;
        // Bytes first, so frames that arrived with a report tick count in the interval they closed.
        if (pollTimer_.takeTicks() > 0 && !onPollTick()) break;
        if (reportTimer_.takeTicks() > 0 && !onReportTick()) break;
        if (reconnectTimer_.takeTicks() > 0) onReconnectTick();
    }
    controller_.shutdown();
    return exitStatus_;
}

bool LoggerShell::onPollTick() {
    controller_.onPollTick();
    return !link_.deviceLost() || onDeviceLost();
}

bool LoggerShell::onReportTick() {
    controller_.onReportTick();
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
    pollTimer_.start(kPollPeriodMs);
    tellUser(link_.devicePath() + " is back; reading again");
}

}  // namespace vemtora::logger
