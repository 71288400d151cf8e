// The sentences for failures of the serial port and the log file, written once for every Linux program.
#include "io/posix/failure.h"

#include <cerrno>
#include <cstring>

namespace vemtora::posix {

namespace {

bool heldByOther(int error) { return error == EWOULDBLOCK || error == EBUSY; }

std::string describePort(const Failure& f) {
    const std::string opening = "cannot open " + f.path + ": ";
    switch (f.step) {
        case FailureStep::None: return {};
        case FailureStep::Resolve: return opening + "no such port";
        case FailureStep::Open:
            // Serial devices belong to dialout; a denied folder on the way is a different matter.
            if ((f.error == EACCES || f.error == EPERM) && f.characterDevice) {
                return opening + errorText(f.error) + " (is the user in the dialout group?)";
            }
            if (f.error == EBUSY) return opening + errorText(f.error) + " (another program holds the port)";
            if (f.error == ENOENT || f.error == ENODEV || f.error == ENXIO) {
                return opening + errorText(f.error) + " (is the adapter plugged in, and is this its name?)";
            }
            // The kernel makes ttyS nodes for every port it might have; those without one say EIO.
            if (f.error == EIO && f.characterDevice)
                return opening + errorText(f.error) + " (no serial port answers there)";
            return opening + errorText(f.error);
        case FailureStep::Kind: return opening + "not a serial port";
        case FailureStep::Hold:
            if (heldByOther(f.error)) return opening + "another program holds the port";
            // TIOCEXCL is the first tty call: a plain file gets this far.
            if (f.error == ENOTTY) return opening + "not a serial port";
            return opening + errorText(f.error);
        case FailureStep::Configure:
            if (f.error == ENOTTY) return opening + "not a serial port";
            if (f.error == 0) return opening + "the device did not take the line settings (speed, 8N1)";
            return opening + errorText(f.error);
        case FailureStep::Read:
        case FailureStep::Write:
            return f.path + " went away: " + (f.error == 0 ? std::string("the line hung up") : errorText(f.error));
    }
    return {};
}

std::string describeLog(const Failure& f) {
    const std::string opening = "cannot open log file " + f.path + ": ";
    switch (f.step) {
        case FailureStep::None: return {};
        case FailureStep::Resolve: return opening + "not a valid file name";
        case FailureStep::Open: return opening + errorText(f.error);
        case FailureStep::Kind: return opening + "not a regular file";
        case FailureStep::Hold:
            if (heldByOther(f.error)) return opening + "another program holds it (another Vemtora logging to it?)";
            return opening + errorText(f.error);
        case FailureStep::Configure:
        case FailureStep::Read: return opening + errorText(f.error);
        case FailureStep::Write: return "cannot write to log file " + f.path + ": " + errorText(f.error);
    }
    return {};
}

}  // namespace

// strerrordesc_np, unlike strerror, ignores the locale: a sentence half in German and half in
// English helps nobody.
std::string errorText(int error) {
    const char* text = ::strerrordesc_np(error);
    return text != nullptr ? text : "error " + std::to_string(error);
}

std::string describeFailure(const Failure& failure) {
    return failure.subject == FailureSubject::SerialPort ? describePort(failure) : describeLog(failure);
}

}  // namespace vemtora::posix
