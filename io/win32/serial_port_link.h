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

private:
    void* handle_ = nullptr;  // a HANDLE; kept opaque so <windows.h> stays out of this header
};

}  // namespace vemtora
