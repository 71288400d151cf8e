// The serial link against a real tty: a pseudo-terminal whose master plays the meter.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "io/posix/serial_port_link.h"
#include "tests/support/test_files.h"
#include "tools/pseudo_terminal/pseudo_terminal.h"
#include "tools/pseudo_terminal/wait_readable.h"

namespace vemtora {
namespace {

using namespace std::chrono_literals;
using namespace testing_support;
using pty::PseudoTerminal;
using pty::waitReadable;
using Clock = std::chrono::steady_clock;

// The meter's bytes, all of them taken by the line.
void sendFromMeter(PseudoTerminal& line, std::string_view bytes) { ASSERT_EQ(line.send(bytes), bytes.size()); }

class SerialPortLinkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::symlink(pty.slavePath().c_str(), (devices / "COM5").c_str()), 0); }

    // Polls until `wanted` bytes came through or five seconds passed, checking the buffer's bound.
    std::string receive(std::size_t wanted, const PseudoTerminal& from) {
        std::string received;
        const auto deadline = Clock::now() + 5s;
        while (received.size() < wanted && waitReadable(from.slave(), deadline)) {
            ReceiveBuffer buffer{};
            const std::size_t count = link.poll(buffer);
            EXPECT_LE(count, kMaxPollBytes);
            received.append(buffer.data(), count);
        }
        return received;
    }

    bool exclusiveFlagSet() {
        int exclusive = -1;
        EXPECT_EQ(::ioctl(pty.slave(), TIOCGEXCL, &exclusive), 0);
        return exclusive != 0;
    }

    TempFolder devices;
    PseudoTerminal pty;
    SerialPortLink link{devices.path()};
};

TEST_F(SerialPortLinkTest, ControlAndHighBytesArriveUnalteredAndAreNotEchoed) {
    ASSERT_TRUE(link.open(L"COM5", 9600));
    // CR, LF, ^C, ^D, XON, XOFF, DEL and 0xFF: each is eaten or changed by a cooked tty.
    const std::string sent = "\r\n\x03\x04\x11\x13\x7f\xff";
    sendFromMeter(pty, sent);
    EXPECT_EQ(receive(sent.size(), pty), sent);

    // Any echo was queued to the master before this marker, so the master must see the marker alone.
    ASSERT_EQ(::write(pty.slave(), "#", 1), 1);
    char echoed[64];
    ASSERT_TRUE(waitReadable(pty.master(), Clock::now() + 5s));
    EXPECT_EQ(std::string(echoed, std::max<ssize_t>(0, ::read(pty.master(), echoed, sizeof echoed))), "#");
}

TEST_F(SerialPortLinkTest, PollsNeverWaitAndTakeEverythingWaiting) {
    ReceiveBuffer buffer{};
    EXPECT_EQ(link.poll(buffer), 0u) << "before open";
    ASSERT_TRUE(link.open(L"COM5", 38400));
    const auto started = Clock::now();
    EXPECT_EQ(link.poll(buffer), 0u);
    EXPECT_LT(Clock::now() - started, 100ms) << "an idle poll returns at once";

    std::string sent;
    // Three seconds of a meter at 38400 bit/s, short of what the tty itself holds.
    for (int i = 0; i < 3000; ++i) sent += static_cast<char>('0' + i % 64);
    sendFromMeter(pty, sent);
    const auto deadline = Clock::now() + 5s;
    // All of it queued on the tty first, so the polls below see a backlog, not a trickle.
    for (int pending = 0; pending < 3000 && Clock::now() < deadline;) ::ioctl(pty.slave(), FIONREAD, &pending);

    std::vector<std::size_t> counts;
    std::string received;
    for (int i = 0; i < 2; ++i) {
        buffer.fill('!');
        counts.push_back(link.poll(buffer));
        received.append(buffer.data(), counts.back());
        EXPECT_EQ(buffer[counts.back()], '\0');
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{3000, 0}));
    EXPECT_EQ(received, sent);
}

TEST_F(SerialPortLinkTest, HeldPortIsRefusedUntilClosed) {
    ASSERT_TRUE(link.open(L"COM5", 9600));
    EXPECT_TRUE(exclusiveFlagSet());
    // A second link has its own open file description, as another program would.
    SerialPortLink other{devices.path()};
    const long descriptorsBefore = openDescriptorCount();
    EXPECT_FALSE(other.open(L"COM5", 9600));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    EXPECT_TRUE(exclusiveFlagSet()) << "the refused link must not undo the holder's flag";

    link.close();
    // Root passes TIOCEXCL, so look at it directly: left set, it would shut out every other user.
    EXPECT_FALSE(exclusiveFlagSet());
    EXPECT_TRUE(other.open(L"COM5", 9600));
    other.close();

    const posix::OwnedDescriptor lockingProgram(::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_EQ(::flock(lockingProgram.get(), LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(link.open(L"COM5", 9600));
}

// Whatever the meter sent before Start waits in the tty for the first poll; flushing it on open
// would lose the frames of the first interval.
TEST_F(SerialPortLinkTest, BytesQueuedBeforeTheOpenAreKept) {
    // Raw already, as an earlier user may have left it, so the bytes count as queued at once.
    termios raw{};
    ASSERT_EQ(::tcgetattr(pty.slave(), &raw), 0);
    ::cfmakeraw(&raw);
    ASSERT_EQ(::tcsetattr(pty.slave(), TCSANOW, &raw), 0);
    sendFromMeter(pty, "a1000\t200\t10z");
    const auto deadline = Clock::now() + 5s;
    for (int pending = 0; pending < 13 && Clock::now() < deadline;) ::ioctl(pty.slave(), FIONREAD, &pending);
    ASSERT_TRUE(link.open(L"COM5", 9600));
    EXPECT_EQ(receive(13, pty), "a1000\t200\t10z");
}

// A device that takes the open and the hold but not the line settings.
class RefusingLink : public SerialPortLink {
public:
    using SerialPortLink::SerialPortLink;

protected:
    bool configureLine(int, speed_t) override { return false; }
};

TEST_F(SerialPortLinkTest, RefusedSpeedLeavesNothingOpenAndNothingHeld) {
    RefusingLink refusing{devices.path()};
    const long descriptorsBefore = openDescriptorCount();
    EXPECT_FALSE(refusing.open(L"COM5", 9600));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    EXPECT_FALSE(exclusiveFlagSet()) << "the tty would stay closed to everyone else";
    EXPECT_TRUE(link.open(L"COM5", 9600)) << "the lock must be gone too";
}

TEST_F(SerialPortLinkTest, FailedOpenLeavesNoDescriptor) {
    ASSERT_EQ(::close(::creat((devices / "COM6").c_str(), 0600)), 0);
    const struct {
        const wchar_t* port;
        std::int32_t baudRate;
        const char* why;
    } rows[] = {
        {L"COM7", 9600, "neither COM7 nor ttyS6 exists"},
        {L"COM6", 9600, "a regular file, not a tty"},
        {L"COM17", 9600, "not a name from the Port menu"},
        {L"COM5", 12345, "not a speed from the Speed menu"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        const long descriptorsBefore = openDescriptorCount();
        EXPECT_FALSE(link.open(row.port, row.baudRate));
        EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    }
}

TEST_F(SerialPortLinkTest, EverySpeedIsAppliedAsARaw8N1StreamLeavingFlowControlAsFound) {
    const struct {
        std::int32_t baudRate;
        speed_t expected;
        tcflag_t rtsCtsFound;
    } rows[] = {{300, B300, 0},   {600, B600, CRTSCTS},   {1200, B1200, 0},   {2400, B2400, CRTSCTS},
                {4800, B4800, 0}, {9600, B9600, CRTSCTS}, {19200, B19200, 0}, {38400, B38400, CRTSCTS}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.baudRate);
        termios applied{};
        ASSERT_EQ(::tcgetattr(pty.slave(), &applied), 0);
        applied.c_cflag = (applied.c_cflag & ~CRTSCTS) | row.rtsCtsFound;
        ASSERT_EQ(::tcsetattr(pty.slave(), TCSANOW, &applied), 0);

        ASSERT_TRUE(link.open(L"COM5", row.baudRate));
        ASSERT_EQ(::tcgetattr(pty.slave(), &applied), 0);
        EXPECT_EQ(cfgetispeed(&applied), row.expected);
        EXPECT_EQ(cfgetospeed(&applied), row.expected);
        EXPECT_EQ(applied.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
        EXPECT_EQ(applied.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), 0u);
        EXPECT_EQ(applied.c_oflag & OPOST, 0u);
        EXPECT_EQ(applied.c_cflag & (CSIZE | PARENB | CSTOPB | CREAD | CLOCAL | CRTSCTS),
                  CS8 | CREAD | CLOCAL | row.rtsCtsFound);
        EXPECT_EQ(applied.c_cc[VMIN] + applied.c_cc[VTIME], 0);
        link.close();
    }
}

TEST_F(SerialPortLinkTest, UnpluggedDeviceGivesEmptyPollsAtOnceAndCanBeReplugged) {
    ASSERT_TRUE(link.open(L"COM5", 9600));
    ReceiveBuffer idle{};
    ASSERT_EQ(link.poll(idle), 0u);
    EXPECT_FALSE(link.deviceLost()) << "a quiet line is not a lost one";
    pty.unplug();
    // A hung-up tty answers every read at once, with nothing.
    const auto started = Clock::now();
    for (int i = 0; i < 1000; ++i) {
        ReceiveBuffer buffer{};
        ASSERT_EQ(link.poll(buffer), 0u) << "poll " << i;
        ASSERT_TRUE(link.deviceLost()) << "poll " << i;
    }
    EXPECT_LT(Clock::now() - started, 1s);
    EXPECT_EQ(link.lastFailure().step, posix::FailureStep::Read);
    EXPECT_EQ(link.lastFailure().path, devices / "COM5");

    // Stop, Start while the device is gone, then Start once a new one has the same name.
    link.close();
    EXPECT_FALSE(link.deviceLost());
    const long descriptorsBefore = openDescriptorCount();
    EXPECT_FALSE(link.open(L"COM5", 9600));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    PseudoTerminal replugged;
    ASSERT_EQ(::unlink((devices / "COM5").c_str()), 0);
    ASSERT_EQ(::symlink(replugged.slavePath().c_str(), (devices / "COM5").c_str()), 0);
    ASSERT_TRUE(link.open(L"COM5", 9600));
    sendFromMeter(replugged, "a1000\t200\t10z");
    EXPECT_EQ(receive(13, replugged), "a1000\t200\t10z");
    EXPECT_FALSE(link.deviceLost());
}

TEST_F(SerialPortLinkTest, ADeviceIsOpenedByItsPath) {
    SerialPortLink fixed;
    const std::string path = pty.slavePath();
    ASSERT_TRUE(fixed.open(std::wstring(path.begin(), path.end()), 38400));
    sendFromMeter(pty, "a1\t2\t3z");
    std::string received;
    const auto deadline = Clock::now() + 5s;
    while (received.size() < 7 && waitReadable(pty.slave(), deadline)) {
        ReceiveBuffer buffer{};
        received.append(buffer.data(), fixed.poll(buffer));
    }
    EXPECT_EQ(received, "a1\t2\t3z");
    termios applied{};
    ASSERT_EQ(::tcgetattr(pty.slave(), &applied), 0);
    EXPECT_EQ(cfgetispeed(&applied), B38400);
}

}  // namespace
}  // namespace vemtora
