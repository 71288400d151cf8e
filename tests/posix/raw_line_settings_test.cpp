// The read-back check: a device that takes only part of the settings must be caught, since a
// pseudo-terminal accepts every speed and cannot play a device that refuses one.
#include <gtest/gtest.h>
#include <termios.h>

#include <functional>

#include "io/posix/raw_line_settings.h"

namespace vemtora::posix {
namespace {

termios cookedTerminal() {
    termios settings{};
    settings.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | BRKINT;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_lflag = ICANON | ECHO | ECHOE | ECHOK | ISIG | IEXTEN;
    settings.c_cflag = CS7 | PARENB | CSTOPB | HUPCL;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 5;
    cfsetispeed(&settings, B1200);
    cfsetospeed(&settings, B1200);
    return settings;
}

TEST(RawLineSettingsTest, MapsExactlyTheSpeedMenuRates) {
    struct Row {
        std::int32_t baudRate;
        std::optional<speed_t> expected;
    };
    const Row rows[] = {{300, B300},     {600, B600},     {1200, B1200},         {2400, B2400},
                        {4800, B4800},   {9600, B9600},   {19200, B19200},       {38400, B38400},
                        {0, std::nullopt}, {110, std::nullopt}, {57600, std::nullopt}, {-9600, std::nullopt}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.baudRate);
        EXPECT_EQ(termiosSpeed(row.baudRate), row.expected);
    }
}

TEST(RawLineSettingsTest, KeepsHardwareFlowControlAndHangupAsFound) {
    for (const tcflag_t found : {tcflag_t{0}, tcflag_t{CRTSCTS | HUPCL}}) {
        termios settings = cookedTerminal();
        settings.c_cflag = (settings.c_cflag & ~(CRTSCTS | HUPCL)) | found;
        makeRawByteStream(settings, B9600);
        EXPECT_EQ(settings.c_cflag & (CRTSCTS | HUPCL), found);
    }
}

TEST(RawLineSettingsTest, ReadBackCatchesEverySettingTheDeviceDidNotTake) {
    termios wanted = cookedTerminal();
    makeRawByteStream(wanted, B9600);

    struct Row {
        const char* what;
        std::function<void(termios&)> deviceDid;
        bool accepted;
    };
    const Row rows[] = {
        {"took everything", [](termios&) {}, true},
        {"changed hardware flow control itself", [](termios& t) { t.c_cflag ^= CRTSCTS; }, true},
        {"kept the old speed", [](termios& t) { cfsetspeed(&t, B1200); }, false},
        {"kept the old input speed", [](termios& t) { cfsetispeed(&t, B1200); }, false},
        {"kept the old output speed", [](termios& t) { cfsetospeed(&t, B1200); }, false},
        {"kept 7 data bits", [](termios& t) { t.c_cflag = (t.c_cflag & ~CSIZE) | CS7; }, false},
        {"kept parity", [](termios& t) { t.c_cflag |= PARENB; }, false},
        {"kept two stop bits", [](termios& t) { t.c_cflag |= CSTOPB; }, false},
        {"dropped the receiver", [](termios& t) { t.c_cflag &= ~CREAD; }, false},
        {"kept canonical mode", [](termios& t) { t.c_lflag |= ICANON; }, false},
        {"kept echo", [](termios& t) { t.c_lflag |= ECHO; }, false},
        {"kept signals", [](termios& t) { t.c_lflag |= ISIG; }, false},
        {"kept XON/XOFF", [](termios& t) { t.c_iflag |= IXON; }, false},
        {"kept CR translation", [](termios& t) { t.c_iflag |= ICRNL; }, false},
        {"kept waiting for a byte", [](termios& t) { t.c_cc[VMIN] = 1; }, false},
        {"kept a read timeout", [](termios& t) { t.c_cc[VTIME] = 5; }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        termios actual = wanted;
        row.deviceDid(actual);
        EXPECT_EQ(rawByteStreamApplied(wanted, actual), row.accepted);
    }
}

}  // namespace
}  // namespace vemtora::posix
