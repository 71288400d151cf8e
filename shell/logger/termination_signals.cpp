// Blocking the termination signals and reading them from a signalfd.
#include "shell/logger/termination_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>

#include "io/posix/posix_result.h"

namespace vemtora::logger {

namespace {

sigset_t terminationSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, signal);
    return set;
}

}  // namespace

TerminationSignals::TerminationSignals() {
    const sigset_t set = terminationSet();
    if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return;
    fd_.reset(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
}

int TerminationSignals::take() {
    signalfd_siginfo info{};
    const ssize_t result = posix::retryOnInterrupt([&] { return ::read(fd_.get(), &info, sizeof info); });
    return result == static_cast<ssize_t>(sizeof info) ? static_cast<int>(info.ssi_signo) : 0;
}

}  // namespace vemtora::logger
