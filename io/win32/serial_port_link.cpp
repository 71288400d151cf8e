#include "io/win32/serial_port_link.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace vemtora {

namespace {

// "COM10" and above exist only in the device namespace; "\\.\" works for COM1 to COM9 as well.
std::wstring devicePath(std::wstring_view portName) {
    std::wstring path = L"\\\\.\\";
    path += portName;
    return path;
}

}  // namespace

bool SerialPortLink::open(std::wstring_view portName, std::int32_t baudRate) {
    close();
    const HANDLE port = CreateFileW(devicePath(portName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        lastError_ = GetLastError();
        return false;
    }

    // Only the line format changes; flow control, time-outs and the rest stay as the driver has them.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) {
        lastError_ = GetLastError();
        CloseHandle(port);
        return false;
    }
    dcb.BaudRate = static_cast<DWORD>(baudRate);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(port, &dcb)) {
        lastError_ = GetLastError();
        CloseHandle(port);
        return false;
    }
    handle_ = port;
    return true;
}

std::size_t SerialPortLink::poll(ReceiveBuffer& buffer) {
    if (handle_ == nullptr) return 0;
    // Reading only what is queued keeps the poll from waiting under whatever time-outs the port
    // carries (all zero means "wait for every byte"). ClearCommError also lifts a pending line
    // error, which would otherwise fail every later read.
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return fail();
    const DWORD wanted = std::min<DWORD>(status.cbInQue, kMaxPollBytes);
    if (wanted == 0) return 0;
    DWORD received = 0;
    if (!ReadFile(handle_, buffer.data(), wanted, &received, nullptr)) return fail();
    return std::min<std::size_t>(received, kMaxPollBytes);
}

std::size_t SerialPortLink::fail() {
    lastError_ = GetLastError();
    lost_ = true;
    return 0;
}

void SerialPortLink::close() {
    lost_ = false;
    if (handle_ == nullptr) return;
    CloseHandle(handle_);
    handle_ = nullptr;
}

}  // namespace vemtora
