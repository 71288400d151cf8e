// The meter's serial port on Linux: a termios tty read as a raw, never-waiting byte stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"
#include "io/posix/owned_descriptor.h"

namespace vemtora {

class SerialPortLink final : public SerialLink {
public:
    // deviceFolder is where "COMn" links and ttyS devices are looked up; tests use their own.
    explicit SerialPortLink(std::string deviceFolder = "/dev");
    ~SerialPortLink() override;

    SerialPortLink(const SerialPortLink&) = delete;
    SerialPortLink& operator=(const SerialPortLink&) = delete;

    bool open(std::wstring_view portName, std::int32_t baudRate) override;
    std::size_t poll(ReceiveBuffer& buffer) override;
    void close() override;

private:
    std::string deviceFolder_;
    posix::OwnedDescriptor port_;
};

}  // namespace vemtora
