// Opening, configuring and reading the meter's tty.
#include "io/posix/serial_port_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "io/posix/exclusive_hold.h"
#include "io/posix/posix_result.h"
#include "io/posix/raw_line_settings.h"
#include "io/posix/serial_device_path.h"
#include "io/posix/utf8_path.h"

namespace vemtora {

namespace {

using posix::FailureStep;
using posix::retryOnInterrupt;
using posix::succeeded;

// TIOCEXCL alone does not keep out root or a program that opened the port first, and
// programs that share serial ports politely take a lock, so both are taken. errno on failure.
bool takeExclusiveHold(int fd) {
    if (const int error = posix::takeExclusiveHold(fd); error != 0) {
        errno = error;
        return false;
    }
    return succeeded(::ioctl(fd, TIOCEXCL));
}

// The exclusive flag belongs to the tty, not to our descriptor, so it would outlive our close.
void releaseExclusiveHold(int fd) { ::ioctl(fd, TIOCNXCL); }

bool isCharacterDevice(const std::string& path) {
    struct stat entry {};
    return ::stat(path.c_str(), &entry) == 0 && S_ISCHR(entry.st_mode);
}

// With VMIN and VTIME 0 an idle tty and a hung-up one (an unplugged adapter, a pty whose
// master closed) both read 0 bytes; only poll tells them apart.
bool hungUp(int fd) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

bool SerialPortLink::configureLine(int fd, speed_t speed) {
    termios wanted{};
    if (!succeeded(retryOnInterrupt([&] { return ::tcgetattr(fd, &wanted); }))) return false;
    posix::makeRawByteStream(wanted, speed);
    // TCSANOW: whatever the meter already sent stays queued for the first poll.
    if (!succeeded(retryOnInterrupt([&] { return ::tcsetattr(fd, TCSANOW, &wanted); }))) return false;
    termios actual{};
    if (!succeeded(retryOnInterrupt([&] { return ::tcgetattr(fd, &actual); }))) return false;
    return posix::rawByteStreamApplied(wanted, actual);
}

SerialPortLink::SerialPortLink(std::string deviceFolder) : deviceFolder_(std::move(deviceFolder)) {}

SerialPortLink::~SerialPortLink() { close(); }

bool SerialPortLink::open(std::wstring_view portName, std::int32_t baudRate) {
    close();
    const std::optional<std::string> path = posix::serialDevicePath(deviceFolder_, portName);
    failure_ = {};
    failure_.path = path ? *path : posix::shownPath(portName);
    if (!path) return failure_.record(FailureStep::Resolve, 0);
    const std::optional<speed_t> speed = posix::termiosSpeed(baudRate);
    if (!speed) return failure_.record(FailureStep::Configure, EINVAL);

    // O_NONBLOCK: neither the open nor any read may wait for carrier or data.
    posix::OwnedDescriptor port(
        retryOnInterrupt([&] { return ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }));
    if (!port.isOpen()) {
        const int error = errno;
        failure_.characterDevice = isCharacterDevice(*path);
        return failure_.record(FailureStep::Open, error);
    }
    if (!takeExclusiveHold(port.get())) return failure_.record(FailureStep::Hold, errno);
    // errno stays 0 when every call succeeded but the device did not take the settings.
    errno = 0;
    if (!configureLine(port.get(), *speed)) {
        const int error = errno;
        releaseExclusiveHold(port.get());
        return failure_.record(FailureStep::Configure, error);
    }
    port_ = std::move(port);
    return true;
}

std::size_t SerialPortLink::poll(ReceiveBuffer& buffer) {
    if (!port_.isOpen()) return 0;
    const ssize_t result = ::read(port_.get(), buffer.data(), kMaxPollBytes);
    const int error = errno;
    const std::size_t count = posix::bytesReceived(result);
    buffer[count] = '\0';
    if (lost_) return count;
    // Other read errors (EIO, ENODEV, ENXIO) come from a device already gone as well.
    if (result < 0 && error != EAGAIN && error != EWOULDBLOCK && error != EINTR) {
        lost_ = true;
        failure_.record(FailureStep::Read, error);
    } else if (result == 0 && hungUp(port_.get())) {
        lost_ = true;
        failure_.record(FailureStep::Read, 0);
    }
    return count;
}

void SerialPortLink::close() {
    lost_ = false;
    if (!port_.isOpen()) return;
    releaseExclusiveHold(port_.get());
    port_.reset();
}

}  // namespace vemtora
