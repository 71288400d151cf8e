// Blocking the termination signals and reading them from a signalfd.
#include "io/posix/termination_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>

#include "io/posix/posix_result.h"

namespace vemtora::posix {

namespace {

bool ignored(int signal) {
    struct sigaction current {};
    return ::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

TerminationSignals::TerminationSignals(std::initializer_list<int> alsoRead) {
    sigset_t set;
    sigemptyset(&set);
    // A blocked signal is queued even when ignored, and the signalfd would hand it over.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (!ignored(signal)) sigaddset(&set, signal);
    }
    for (const int signal : alsoRead) sigaddset(&set, signal);
    if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return;
    fd_.reset(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
}

int TerminationSignals::take() {
    signalfd_siginfo info{};
    const ssize_t result = retryOnInterrupt([&] { return ::read(fd_.get(), &info, sizeof info); });
    return result == static_cast<ssize_t>(sizeof info) ? static_cast<int>(info.ssi_signo) : 0;
}

}  // namespace vemtora::posix
