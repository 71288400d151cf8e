// Why the serial link or the log writer failed last, and the one sentence a user is told about it.
#pragma once

#include <string>

namespace vemtora::posix {

enum class FailureSubject { SerialPort, LogFile };

enum class FailureStep {
    None,
    Resolve,  // no device file for the port name, or a path that cannot be a file name
    Open,
    Kind,       // the path names another kind of file: a log that is no regular file
    Hold,       // the lock (flock, fcntl or TIOCEXCL) someone else holds
    Configure,  // termios refused, or did not take, the raw line settings
    Read,       // the device went away while it was read
    Write,
};

struct Failure {
    FailureSubject subject = FailureSubject::SerialPort;
    FailureStep step = FailureStep::None;
    int error = 0;  // errno; 0 where the step failed without one (settings not taken, a hang-up)
    std::string path;
    bool characterDevice = false;  // the path names a device node, as serial ports are

    // Notes which step failed and why; false, for `return failure.record(...)`.
    bool record(FailureStep failedStep, int errorNumber) {
        step = failedStep;
        error = errorNumber;
        return false;
    }
};

// "cannot open /dev/ttyUSB0: Permission denied (is the user in the dialout group?)": no program
// name, no full stop. Independent of the locale.
std::string describeFailure(const Failure& failure);

// The C library's English text for an errno value, never translated.
std::string errorText(int error);

}  // namespace vemtora::posix
