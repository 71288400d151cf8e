// The meter's serial port through the Win32 communications API.
#pragma once

#include "core/controller_interfaces.h"

namespace vemtora {

class SerialPortLink final : public SerialLink {
public:
    SerialPortLink() = default;
    SerialPortLink(const SerialPortLink&) = delete;
    SerialPortLink& operator=(const SerialPortLink&) = delete;
    ~SerialPortLink() override { close(); }

    bool open(std::wstring_view portName, std::int32_t baudRate) override;
    std::size_t poll(ReceiveBuffer& buffer) override;
    void close() override;

    bool isOpen() const { return handle_ != nullptr; }
    // A status query or read failed since the port was opened: the adapter was unplugged.
    bool deviceLost() const { return lost_; }
    // The system's error code of the last failed open, query or read.
    unsigned long lastError() const { return lastError_; }

private:
    std::size_t fail();  // 0: what poll returns on a failure

    void* handle_ = nullptr;  // a HANDLE; kept opaque so <windows.h> stays out of this header
    bool lost_ = false;
    unsigned long lastError_ = 0;
};

}  // namespace vemtora
