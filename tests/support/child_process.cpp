// Starting, reading and reaping child processes for the logger's tests.
#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "tools/pseudo_terminal/wait_readable.h"

namespace vemtora::testing_support {

using pty::waitReadable;

bool LineReader::fill(Clock::time_point deadline) {
    if (ended_ || !fd_.isOpen() || !waitReadable(fd_.get(), deadline)) return false;
    char bytes[4096];
    const ssize_t n = ::read(fd_.get(), bytes, sizeof bytes);
    if (n <= 0) {
        ended_ = true;
        return false;
    }
    buffered_.append(bytes, static_cast<std::size_t>(n));
    return true;
}

std::optional<std::string> LineReader::next(Clock::time_point deadline) {
    for (;;) {
        const std::size_t end = buffered_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffered_.substr(0, end);
            buffered_.erase(0, end + 1);
            return line;
        }
        if (!fill(deadline)) return std::nullopt;
    }
}

std::string LineReader::rest(Clock::time_point deadline) {
    while (fill(deadline)) {}
    return std::exchange(buffered_, {});
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::function<void()>& beforeExec) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return;
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        if (beforeExec) beforeExec();
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    out_ = LineReader(outPipe[0]);
    err_ = LineReader(errPipe[0]);
    if (pid_ > 0) exitWatch_.reset(static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0)));
}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0 || status_) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

void ChildProcess::signal(int number) const {
    if (pid_ > 0 && !status_) ::kill(pid_, number);
}

std::optional<int> ChildProcess::waitForExit(Clock::time_point deadline) {
    if (status_ || pid_ <= 0) return status_;
    if (!waitReadable(exitWatch_.get(), deadline)) return std::nullopt;
    int status = 0;
    if (::waitpid(pid_, &status, 0) == pid_) status_ = status;
    return status_;
}

}  // namespace vemtora::testing_support
