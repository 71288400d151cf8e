// The meter simulator as a real process on a pseudo-terminal, and the logger as the user starts it.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace vemtora::testing_support {

// How the simulator hands bytes to the line: whole frames in one write, or one byte at a time
// at the line rate as a real serial line delivers them.
enum class Delivery { Whole, Bytes };

inline void PrintTo(Delivery delivery, std::ostream* out) { *out << (delivery == Delivery::Whole ? "Whole" : "Bytes"); }

inline const std::vector<Delivery> kDeliveries = {Delivery::Whole, Delivery::Bytes};
inline constexpr Delivery kLineDelivery = Delivery::Bytes;  // for the tests that are not about delivery

inline std::vector<std::string> deliveryArguments(Delivery delivery) {
    return {"--delivery", delivery == Delivery::Bytes ? "bytes" : "whole"};
}

class Meter {
public:
    // link: where the simulator puts its symlink to the pty (a COMn in a test's device folder).
    Meter(const std::string& link, Delivery delivery, const std::vector<std::string>& options = {})
        : process_([&] {
              std::vector<std::string> argv{SIMULATOR_PATH, "--link", link};
              for (const auto& list : {deliveryArguments(delivery), options})
                  argv.insert(argv.end(), list.begin(), list.end());
              return argv;
          }()) {
        // The simulator prints its pty once the line is up and the link made.
        const auto path = process_.out().next(secondsFromNow(10));
        if (path) devicePath_ = *path;
    }
    ~Meter() { unplug(); }

    bool started() const { return !devicePath_.empty(); }
    const std::string& devicePath() const { return devicePath_; }
    // The simulator's next line on standard output ("sent N frames, M well-formed" with --frames).
    std::optional<std::string> said(Clock::time_point deadline) { return process_.out().next(deadline); }

    // With --hold, the first frame goes now.
    void release() { process_.signal(SIGUSR1); }

    // The cable is pulled: the pty hangs up and the link goes with the simulator.
    void unplug() {
        process_.signal(SIGTERM);
        EXPECT_TRUE(process_.waitForExit(secondsFromNow(10))) << "the simulator did not end";
    }

private:
    ChildProcess process_;
    std::string devicePath_;
};

inline std::vector<std::string> loggerCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{LOGGER_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

inline bool exitedWith(const std::optional<int>& status, int code) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

}  // namespace vemtora::testing_support
