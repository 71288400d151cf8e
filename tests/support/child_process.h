// Real processes for the logger's tests: started with their output on pipes, read line by line
// and waited for, always against a deadline.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "io/posix/owned_descriptor.h"

namespace vemtora::testing_support {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Lines from a pipe, collected as they come.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd) {}
    // The next whole line without its line feed; nullopt at the deadline or the end of the output.
    std::optional<std::string> next(Clock::time_point deadline);
    // Everything up to the end of the output (or the deadline), whole lines or not.
    std::string rest(Clock::time_point deadline);
    void close() { fd_.reset(); }

private:
    bool fill(Clock::time_point deadline);

    posix::OwnedDescriptor fd_;
    std::string buffered_;
    bool ended_ = false;
};

class ChildProcess {
public:
    // beforeExec runs in the child between fork and exec (dropping privileges, limits).
    explicit ChildProcess(const std::vector<std::string>& argv, const std::function<void()>& beforeExec = {});
    ~ChildProcess();  // a child still running is killed

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    LineReader& out() { return out_; }
    LineReader& err() { return err_; }
    void signal(int number) const;
    // The wait status once the child ended, nullopt if it still runs at the deadline.
    std::optional<int> waitForExit(Clock::time_point deadline);

private:
    pid_t pid_ = -1;
    posix::OwnedDescriptor exitWatch_;  // a pidfd: readable once the child ended
    std::optional<int> status_;
    LineReader out_{-1};
    LineReader err_{-1};
};

inline Clock::time_point secondsFromNow(int seconds) { return Clock::now() + std::chrono::seconds(seconds); }

}  // namespace vemtora::testing_support
