// Opening, configuring and reading the meter's tty.
#include "io/posix/serial_port_link.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <optional>
#include <utility>

#include "io/posix/posix_result.h"
#include "io/posix/raw_line_settings.h"
#include "io/posix/serial_device_path.h"

namespace vemtora {

namespace {

using posix::retryOnInterrupt;
using posix::succeeded;

// TIOCEXCL alone does not keep out root or a program that opened the port first, and
// programs that share serial ports politely take an flock, so both are taken.
bool takeExclusiveHold(int fd) {
    if (!succeeded(retryOnInterrupt([fd] { return ::flock(fd, LOCK_EX | LOCK_NB); }))) return false;
    return succeeded(::ioctl(fd, TIOCEXCL));
}

// The exclusive flag belongs to the tty, not to our descriptor, so it would outlive our close.
void releaseExclusiveHold(int fd) { ::ioctl(fd, TIOCNXCL); }

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
    const std::optional<speed_t> speed = posix::termiosSpeed(baudRate);
    if (!path || !speed) return false;

    // O_NONBLOCK: neither the open nor any read may wait for carrier or data.
    posix::OwnedDescriptor port(retryOnInterrupt(
        [&] { return ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }));
    if (!port.isOpen()) return false;
    if (!takeExclusiveHold(port.get())) return false;
    if (!configureLine(port.get(), *speed)) {
        releaseExclusiveHold(port.get());
        return false;
    }
    port_ = std::move(port);
    return true;
}

std::size_t SerialPortLink::poll(ReceiveBuffer& buffer) {
    if (!port_.isOpen()) return 0;
    const std::size_t count = posix::bytesReceived(::read(port_.get(), buffer.data(), kMaxPollBytes));
    buffer[count] = '\0';
    return count;
}

void SerialPortLink::close() {
    if (!port_.isOpen()) return;
    releaseExclusiveHold(port_.get());
    port_.reset();
}

}  // namespace vemtora
