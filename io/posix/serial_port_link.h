// The meter's serial port on Linux: a termios tty read as a raw, never-waiting byte stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <termios.h>

#include "core/controller_interfaces.h"
#include "io/posix/failure.h"
#include "io/posix/owned_descriptor.h"
#include "io/posix/serial_device_path.h"

namespace vemtora {

class SerialPortLink : public SerialLink {
public:
    // deviceFolder is where "COMn" links and ttyS devices are looked up; tests use their own.
    explicit SerialPortLink(std::string deviceFolder = posix::kDefaultDeviceFolder);
    ~SerialPortLink() override;

    SerialPortLink(const SerialPortLink&) = delete;
    SerialPortLink& operator=(const SerialPortLink&) = delete;

    bool open(std::wstring_view portName, std::int32_t baudRate) override;
    std::size_t poll(ReceiveBuffer& buffer) override;
    void close() override;

    // Why the last open failed, or why the device was lost; step None when neither happened.
    const posix::Failure& lastFailure() const { return failure_; }
    // The device file the last open tried.
    const std::string& devicePath() const { return failure_.path; }
    // A poll found the device gone (hung up, unplugged); cleared by close and open. The
    // controller sees only empty polls, as before.
    bool deviceLost() const { return lost_; }

protected:
    // Puts the open tty into the meter's raw 8N1 stream at this speed; false when the device
    // does not take it. Tests stand in a device that refuses.
    virtual bool configureLine(int fd, speed_t speed);

private:
    std::string deviceFolder_;
    posix::OwnedDescriptor port_;
    posix::Failure failure_;
    bool lost_ = false;
};

}  // namespace vemtora
