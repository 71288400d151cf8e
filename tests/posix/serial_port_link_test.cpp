// The serial link against a real tty: a pseudo-terminal whose master plays the meter.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "core/acquisition_settings.h"
#include "io/posix/serial_port_link.h"
#include "tests/posix/descriptor_count.h"
#include "tests/posix/pseudo_terminal.h"
#include "tests/posix/temp_folder.h"

namespace vemtora {
namespace {

using testing_support::Clock;
using testing_support::kEventDeadline;
using testing_support::openDescriptorCount;
using testing_support::PseudoTerminal;
using testing_support::TempFolder;

// Polls until `wanted` bytes have come through the link or the deadline passes.
std::string receive(SerialPortLink& link, const PseudoTerminal& pty, std::size_t wanted) {
    std::string received;
    const auto deadline = Clock::now() + kEventDeadline;
    while (received.size() < wanted && testing_support::waitReadable(pty.slave(), deadline)) {
        ReceiveBuffer buffer{};
        const std::size_t count = link.poll(buffer);
        EXPECT_LE(count, kMaxPollBytes);
        received.append(buffer.data(), count);
    }
    return received;
}

class SerialPortLinkTest : public ::testing::Test {
protected:
    void SetUp() override { plugInAs("COM5"); }

    void plugInAs(const std::string& deviceName) {
        ASSERT_EQ(::symlink(pty.slavePath().c_str(), (devices / deviceName).c_str()), 0);
    }

    TempFolder devices;
    PseudoTerminal pty;
    SerialPortLink link{devices.path()};
};

TEST_F(SerialPortLinkTest, ControlAndHighBytesArriveUnalteredAndAreNotEchoed) {
    ASSERT_TRUE(link.open(L"COM5", 9600));
    // CR, LF, ^C, ^D, XON, XOFF, DEL and 0xFF: each is eaten or changed by a cooked tty.
    const std::string sent = "\r\n\x03\x04\x11\x13\x7f\xff";
    pty.sendFromMeter(sent);
    EXPECT_EQ(receive(link, pty, sent.size()), sent);

    // Any echo was queued to the master before this marker, so the master sees only the marker.
    ASSERT_EQ(::write(pty.slave(), "#", 1), 1);
    EXPECT_EQ(pty.readFromMaster('#'), "#");
}

TEST_F(SerialPortLinkTest, IdlePollReturnsNothingAtOnce) {
    ReceiveBuffer buffer{};
    EXPECT_EQ(link.poll(buffer), 0u) << "poll before open";
    ASSERT_TRUE(link.open(L"COM5", 9600));
    const auto started = Clock::now();
    EXPECT_EQ(link.poll(buffer), 0u);
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(100));
}

TEST_F(SerialPortLinkTest, EachPollTakesAtMost32BytesAndTheRestFollows) {
    ASSERT_TRUE(link.open(L"COM5", 38400));
    std::string sent;
    for (int i = 0; i < 100; ++i) sent += static_cast<char>('0' + i % 64);
    pty.sendFromMeter(sent);
    ASSERT_TRUE(pty.waitForPendingBytes(100));

    std::vector<std::size_t> counts;
    std::string received;
    for (int i = 0; i < 5; ++i) {
        ReceiveBuffer buffer{};
        buffer.fill('!');
        const std::size_t count = link.poll(buffer);
        counts.push_back(count);
        received.append(buffer.data(), count);
        EXPECT_EQ(buffer[count], '\0') << "poll " << i << " leaves the bytes terminated";
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{32, 32, 32, 4, 0}));
    EXPECT_EQ(received, sent);
}

// Whether the tty refuses new opens by anyone but root (the TIOCEXCL flag).
bool exclusiveFlagSet(int ttyFd) {
    int exclusive = -1;
    EXPECT_EQ(::ioctl(ttyFd, TIOCGEXCL, &exclusive), 0);
    return exclusive != 0;
}

TEST_F(SerialPortLinkTest, HeldPortIsRefusedAndFreedByClose) {
    ASSERT_TRUE(link.open(L"COM5", 9600));
    EXPECT_TRUE(exclusiveFlagSet(pty.slave()));

    // A second link has its own open file description, just like another program would.
    SerialPortLink other{devices.path()};
    const std::size_t descriptorsBefore = openDescriptorCount();
    EXPECT_FALSE(other.open(L"COM5", 9600));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    EXPECT_TRUE(exclusiveFlagSet(pty.slave())) << "the refused link must not undo the holder's flag";

    link.close();
    // Root ignores the flag, so look at it directly: left set, it would lock out every other user.
    EXPECT_FALSE(exclusiveFlagSet(pty.slave()));
    EXPECT_TRUE(other.open(L"COM5", 9600));
}

TEST_F(SerialPortLinkTest, PortLockedByAnotherProgramIsRefused) {
    const posix::OwnedDescriptor otherProgram(::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(otherProgram.isOpen());
    ASSERT_EQ(::flock(otherProgram.get(), LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(link.open(L"COM5", 9600));
}

TEST_F(SerialPortLinkTest, FailedOpenLeavesNoDescriptor) {
    struct Row {
        const wchar_t* port;
        std::int32_t baudRate;
        const char* why;
    };
    const Row rows[] = {
        {L"COM7", 9600, "neither COM7 nor ttyS6 exists"},
        {L"COM17", 9600, "not a name from the Port menu"},
        {L"COM5", 12345, "not a speed from the Speed menu"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        const std::size_t descriptorsBefore = openDescriptorCount();
        EXPECT_FALSE(link.open(row.port, row.baudRate));
        EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
        ReceiveBuffer buffer{};
        EXPECT_EQ(link.poll(buffer), 0u);
    }
}

TEST_F(SerialPortLinkTest, RegularFileNamedLikeAPortIsRefused) {
    const posix::OwnedDescriptor file(::open((devices / "COM6").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_TRUE(file.isOpen());
    const std::size_t descriptorsBefore = openDescriptorCount();
    EXPECT_FALSE(link.open(L"COM6", 9600));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
}

TEST_F(SerialPortLinkTest, BuiltInPortNameIsUsedWhenNoComLinkExists) {
    ASSERT_EQ(::unlink((devices / "COM5").c_str()), 0);
    plugInAs("ttyS4");
    ASSERT_TRUE(link.open(L"COM5", 9600));
    pty.sendFromMeter("a1000\t200\t10z");
    EXPECT_EQ(receive(link, pty, 13), "a1000\t200\t10z");
}

TEST_F(SerialPortLinkTest, EverySpeedIsAppliedAsARaw8N1Stream) {
    struct Row {
        std::int32_t baudRate;
        speed_t expected;
    };
    const Row rows[] = {{300, B300},    {600, B600},    {1200, B1200},   {2400, B2400},
                        {4800, B4800},  {9600, B9600},  {19200, B19200}, {38400, B38400}};
    static_assert(std::size(rows) == kBaudRates.size());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.baudRate);
        ASSERT_TRUE(link.open(L"COM5", row.baudRate));
        termios applied{};
        ASSERT_EQ(::tcgetattr(pty.slave(), &applied), 0);
        EXPECT_EQ(cfgetispeed(&applied), row.expected);
        EXPECT_EQ(cfgetospeed(&applied), row.expected);
        EXPECT_EQ(applied.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
        EXPECT_EQ(applied.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), 0u);
        EXPECT_EQ(applied.c_oflag & OPOST, 0u);
        EXPECT_EQ(applied.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
        EXPECT_EQ(applied.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
        EXPECT_EQ(applied.c_cc[VMIN], 0);
        EXPECT_EQ(applied.c_cc[VTIME], 0);
        link.close();
    }
}

TEST_F(SerialPortLinkTest, HardwareFlowControlIsLeftAsFound) {
    for (const bool rtsCts : {true, false}) {
        SCOPED_TRACE(rtsCts ? "RTS/CTS on" : "RTS/CTS off");
        termios before{};
        ASSERT_EQ(::tcgetattr(pty.slave(), &before), 0);
        before.c_cflag = rtsCts ? (before.c_cflag | CRTSCTS) : (before.c_cflag & ~CRTSCTS);
        ASSERT_EQ(::tcsetattr(pty.slave(), TCSANOW, &before), 0);

        ASSERT_TRUE(link.open(L"COM5", 9600));
        termios applied{};
        ASSERT_EQ(::tcgetattr(pty.slave(), &applied), 0);
        EXPECT_EQ((applied.c_cflag & CRTSCTS) != 0, rtsCts);
        link.close();
    }
}

TEST_F(SerialPortLinkTest, UnpluggedDeviceGivesEmptyPollsWithoutWaitingAndCanBeReplugged) {
    ASSERT_TRUE(link.open(L"COM5", 9600));
    pty.unplug();

    // A hung-up tty answers every read at once (EIO); the link must neither block nor fail loudly.
    const auto started = Clock::now();
    for (int i = 0; i < 1000; ++i) {
        ReceiveBuffer buffer{};
        ASSERT_EQ(link.poll(buffer), 0u) << "poll " << i;
    }
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(1));

    // Stop, then Start while the device is still gone, then with a new one under the same name.
    link.close();
    const std::size_t descriptorsBefore = openDescriptorCount();
    EXPECT_FALSE(link.open(L"COM5", 9600));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);

    PseudoTerminal replugged;
    ASSERT_EQ(::unlink((devices / "COM5").c_str()), 0);
    ASSERT_EQ(::symlink(replugged.slavePath().c_str(), (devices / "COM5").c_str()), 0);
    ASSERT_TRUE(link.open(L"COM5", 9600));
    replugged.sendFromMeter("back");
    EXPECT_EQ(receive(link, replugged, 4), "back");
}

}  // namespace
}  // namespace vemtora
