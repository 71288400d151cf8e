// The meter's serial port on Linux: a termios tty read as a raw, never-waiting byte stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <termios.h>

#include "core/controller_interfaces.h"
#include "io/posix/owned_descriptor.h"

namespace vemtora {

class SerialPortLink : public SerialLink {
public:
    // deviceFolder is where "COMn" links and ttyS devices are looked up; tests use their own.
    explicit SerialPortLink(std::string deviceFolder = "/dev");
    ~SerialPortLink() override;

    SerialPortLink(const SerialPortLink&) = delete;
    SerialPortLink& operator=(const SerialPortLink&) = delete;

    bool open(std::wstring_view portName, std::int32_t baudRate) override;
    std::size_t poll(ReceiveBuffer& buffer) override;
    void close() override;

protected:
    // Puts the open tty into the meter's raw 8N1 stream at this speed; false when the device
    // does not take it. Tests stand in a device that refuses.
    virtual bool configureLine(int fd, speed_t speed);

private:
    std::string deviceFolder_;
    posix::OwnedDescriptor port_;
};

}  // namespace vemtora
