// SerialPortLink against pseudo-terminals that pty_ports.py maps to COM3 and COM12.
#include <gtest/gtest.h>

#include <string>

#include "io/win32/serial_port_link.h"
#include "wine_test_support.h"

namespace vemtora {
namespace {

using test::sendOnLine;
using test::waitUntil;

// A second handle on the same port, as another program would see its settings.
class PortObserver {
public:
    explicit PortObserver(const wchar_t* device)
        : handle_(CreateFileW(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr)) {}
    ~PortObserver() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    DCB state() const {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        EXPECT_TRUE(GetCommState(handle_, &dcb));
        return dcb;
    }
    void setState(DCB dcb) const { ASSERT_TRUE(SetCommState(handle_, &dcb)); }
    void setTimeouts(COMMTIMEOUTS timeouts) const { ASSERT_TRUE(SetCommTimeouts(handle_, &timeouts)); }

private:
    HANDLE handle_;
};

// Receives until `expected.size()` bytes came or the deadline passed; checks the 32-byte cap on the way.
std::string receive(SerialPortLink& link, std::size_t expected) {
    std::string received;
    ReceiveBuffer buffer{};
    waitUntil([&] {
        const std::size_t count = link.poll(buffer);
        EXPECT_LE(count, kMaxPollBytes);
        received.append(buffer.data(), count);
        return received.size() >= expected;
    });
    return received;
}

class SerialLineFormat : public testing::TestWithParam<std::int32_t> {};

TEST_P(SerialLineFormat, OpenSetsSpeedAndFormatAndKeepsTheRest) {
    PortObserver observer(L"\\\\.\\COM3");
    ASSERT_TRUE(observer.valid());
    // Leave the port as another program might have: odd format, a different speed, software flow control.
    const DCB original = observer.state();
    DCB before = original;
    before.BaudRate = GetParam() == 1200 ? 2400 : 1200;
    before.ByteSize = 7;
    before.Parity = EVENPARITY;
    before.StopBits = TWOSTOPBITS;
    before.fOutX = TRUE;
    before.fInX = TRUE;
    observer.setState(before);
    before = observer.state();

    SerialPortLink link;
    ASSERT_TRUE(link.open(L"COM3", GetParam()));
    const DCB after = observer.state();
    link.close();
    observer.setState(original);

    EXPECT_EQ(after.BaudRate, static_cast<DWORD>(GetParam()));
    EXPECT_EQ(after.ByteSize, 8);
    EXPECT_EQ(after.Parity, NOPARITY);
    EXPECT_EQ(after.StopBits, ONESTOPBIT);
    EXPECT_EQ(after.fOutX, before.fOutX);
    EXPECT_EQ(after.fInX, before.fInX);
    EXPECT_EQ(after.fOutxCtsFlow, before.fOutxCtsFlow);
    EXPECT_EQ(after.fRtsControl, before.fRtsControl);
    EXPECT_EQ(after.XonChar, before.XonChar);
    EXPECT_EQ(after.XoffChar, before.XoffChar);
}

INSTANTIATE_TEST_SUITE_P(EverySpeedOfTheMenu, SerialLineFormat, testing::ValuesIn(kBaudRates));

struct PortCase {
    const wchar_t* name;
    const char* line;
};

class SerialReceive : public testing::TestWithParam<PortCase> {};

TEST_P(SerialReceive, BytesArriveUnalteredAtMost32APoll) {
    SerialPortLink link;
    ASSERT_TRUE(link.open(GetParam().name, 9600));
    // Frames, line ends, flow-control and NUL bytes, high bytes: a raw stream keeps them all.
    std::string sent = "a1000\t200\t10z\r\n";
    for (int c = 0; c < 256; ++c) sent += static_cast<char>(c);
    sendOnLine(GetParam().line, sent);
    EXPECT_EQ(receive(link, sent.size()), sent);
}

INSTANTIATE_TEST_SUITE_P(BelowAndAboveCom9, SerialReceive,
                         testing::Values(PortCase{L"COM3", "com3"}, PortCase{L"COM12", "com12"}));

TEST(SerialPoll, IdlePortReturnsAtOnceEvenWithWaitingTimeouts) {
    PortObserver observer(L"\\\\.\\COM3");
    ASSERT_TRUE(observer.valid());
    observer.setTimeouts(COMMTIMEOUTS{});  // all zero: a plain 32-byte read would wait for 32 bytes
    SerialPortLink link;
    ASSERT_TRUE(link.open(L"COM3", 9600));
    ReceiveBuffer buffer{};
    receive(link, 0);  // whatever an earlier case left on the line

    sendOnLine("com3", "a1z");
    EXPECT_EQ(receive(link, 3), "a1z");  // fewer than 32 bytes still come
    const auto start = test::Clock::now();
    EXPECT_EQ(link.poll(buffer), 0u);
    EXPECT_LT(test::Clock::now() - start, std::chrono::milliseconds(500));
}

TEST(SerialOpen, MissingPortFailsAndLeavesNoHandle) {
    DWORD handlesBefore = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handlesBefore));
    SerialPortLink link;
    for (const wchar_t* absent : {L"COM7", L"COM16"}) {
        EXPECT_FALSE(link.open(absent, 9600)) << "opened the absent port";
        EXPECT_FALSE(link.isOpen());
    }
    ReceiveBuffer buffer{};
    EXPECT_EQ(link.poll(buffer), 0u);
    DWORD handlesAfter = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handlesAfter));
    EXPECT_EQ(handlesAfter, handlesBefore);
}

TEST(SerialOpen, CloseReleasesThePortForTheNextOpen) {
    DWORD handlesBefore = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handlesBefore));
    SerialPortLink link;
    ASSERT_TRUE(link.open(L"COM12", 38400));
    EXPECT_TRUE(link.isOpen());
    link.close();
    EXPECT_FALSE(link.isOpen());
    DWORD handlesAfter = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handlesAfter));
    EXPECT_EQ(handlesAfter, handlesBefore);
    EXPECT_TRUE(link.open(L"COM12", 300));
}

}  // namespace
}  // namespace vemtora
