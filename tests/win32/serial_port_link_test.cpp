// SerialPortLink against pseudo-terminals that pty_ports.py maps to COM3 and COM12.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_hook.h"
#include "io/win32/serial_port_link.h"
#include "wine_test_support.h"

namespace vemtora {
namespace {

using test::ImportHook;
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
    // Bytes waiting in the driver, read by nobody yet.
    DWORD queued() const {
        DWORD errors = 0;
        COMSTAT status{};
        return ClearCommError(handle_, &errors, &status) ? status.cbInQue : 0;
    }
    void discardQueued() const {
        std::vector<char> bytes(queued());
        DWORD read = 0;
        if (!bytes.empty()) ReadFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    }

private:
    HANDLE handle_;
};

// Receives until `expected.size()` bytes came or the deadline passed; checks the buffer's bound on the way.
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
    observer.setTimeouts(COMMTIMEOUTS{});  // all zero: a plain read of a whole buffer would wait to fill it
    SerialPortLink link;
    ASSERT_TRUE(link.open(L"COM3", 9600));
    ReceiveBuffer buffer{};
    receive(link, 0);  // whatever an earlier case left on the line

    sendOnLine("com3", "a1z");
    EXPECT_EQ(receive(link, 3), "a1z");  // fewer bytes than the buffer holds still come
    const auto start = test::Clock::now();
    EXPECT_EQ(link.poll(buffer), 0u);
    EXPECT_LT(test::Clock::now() - start, std::chrono::milliseconds(500));
}

TEST(SerialOpen, MissingPortFailsAndLeavesNoHandle) {
    const auto handlesBefore = test::nextHandleValue();
    SerialPortLink link;
    for (const wchar_t* absent : {L"COM7", L"COM16"}) {
        EXPECT_FALSE(link.open(absent, 9600)) << "opened the absent port";
        EXPECT_FALSE(link.isOpen());
    }
    ReceiveBuffer buffer{};
    EXPECT_EQ(link.poll(buffer), 0u);
    EXPECT_EQ(test::nextHandleValue(), handlesBefore);
}

TEST(SerialOpen, CloseReleasesThePortForTheNextOpen) {
    const auto handlesBefore = test::nextHandleValue();
    SerialPortLink link;
    ASSERT_TRUE(link.open(L"COM12", 38400));
    EXPECT_TRUE(link.isOpen());
    EXPECT_NE(test::nextHandleValue(), handlesBefore) << "the open port holds no handle";
    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(test::nextHandleValue(), handlesBefore);
    EXPECT_TRUE(link.open(L"COM12", 300));
}

// What the meter sent while nobody had the port open waits in the driver; opening must not
// throw it away.
TEST(SerialOpen, BytesWaitingBeforeTheOpenArrive) {
    PortObserver observer(L"\\\\.\\COM12");
    ASSERT_TRUE(observer.valid());
    observer.discardQueued();
    const std::string early = "a1000\t200\t10z";
    sendOnLine("com12", early);
    ASSERT_TRUE(waitUntil([&] { return observer.queued() >= early.size(); }));

    SerialPortLink link;
    ASSERT_TRUE(link.open(L"COM12", 9600));
    EXPECT_EQ(receive(link, early.size()), early);
}

// Time-outs and queue sizes are the driver's or another program's: the link reads only what is
// queued, so it needs neither, and it purges nothing.
struct PortSetupCalls {
    std::vector<std::string> seen;
} portSetupCalls;

decltype(&SetCommTimeouts) realSetCommTimeouts = nullptr;
decltype(&SetupComm) realSetupComm = nullptr;
decltype(&PurgeComm) realPurgeComm = nullptr;

BOOL WINAPI watchSetCommTimeouts(HANDLE port, LPCOMMTIMEOUTS timeouts) {
    portSetupCalls.seen.push_back("SetCommTimeouts");
    return realSetCommTimeouts(port, timeouts);
}
BOOL WINAPI watchSetupComm(HANDLE port, DWORD in, DWORD out) {
    portSetupCalls.seen.push_back("SetupComm");
    return realSetupComm(port, in, out);
}
BOOL WINAPI watchPurgeComm(HANDLE port, DWORD flags) {
    portSetupCalls.seen.push_back("PurgeComm");
    return realPurgeComm(port, flags);
}

TEST(SerialOpen, LeavesTimeoutsQueueSizesAndQueuedBytesToTheDriver) {
    ImportHook<decltype(&SetCommTimeouts)> timeouts("kernel32.dll", "SetCommTimeouts", watchSetCommTimeouts);
    ImportHook<decltype(&SetupComm)> queues("kernel32.dll", "SetupComm", watchSetupComm);
    ImportHook<decltype(&PurgeComm)> purges("kernel32.dll", "PurgeComm", watchPurgeComm);
    realSetCommTimeouts = timeouts.original();
    realSetupComm = queues.original();
    realPurgeComm = purges.original();
    portSetupCalls.seen.clear();

    SerialPortLink link;
    for (const std::int32_t speed : kBaudRates) {
        ASSERT_TRUE(link.open(L"COM3", speed));
        ReceiveBuffer buffer{};
        link.poll(buffer);
        link.close();
    }
    EXPECT_EQ(portSetupCalls.seen, std::vector<std::string>{});
}

// A device that takes only some speeds: SetCommState refuses the rest, as a driver does.
constexpr DWORD kFastestSpeedTaken = 9600;
decltype(&SetCommState) realSetCommState = nullptr;

BOOL WINAPI slowDeviceSetCommState(HANDLE port, LPDCB dcb) {
    if (dcb->BaudRate > kFastestSpeedTaken) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return realSetCommState(port, dcb);
}

TEST(SerialOpen, ASpeedTheDeviceRefusesFailsAndLeavesNothingOpen) {
    ImportHook<decltype(&SetCommState)> hook("kernel32.dll", "SetCommState", slowDeviceSetCommState);
    ASSERT_TRUE(hook.imported());
    realSetCommState = hook.original();
    for (const std::int32_t speed : kBaudRates) {
        const bool taken = static_cast<DWORD>(speed) <= kFastestSpeedTaken;
        const auto handlesBefore = test::nextHandleValue();
        SerialPortLink link;
        EXPECT_EQ(link.open(L"COM12", speed), taken) << speed;
        EXPECT_EQ(link.isOpen(), taken) << speed;
        if (!taken) {
            EXPECT_EQ(test::nextHandleValue(), handlesBefore) << speed << ": the refused port stayed open";
        }
        link.close();
    }
}

}  // namespace
}  // namespace vemtora
