// The read-back check. A pseudo-terminal takes every speed, so it cannot play a device that
// refuses one; this is where a device that took only part of the change is shown to be caught.
#include <gtest/gtest.h>

#include <functional>

#include "io/posix/raw_line_settings.h"

namespace vemtora::posix {
namespace {

TEST(RawLineSettingsTest, ReadBackCatchesEverySettingTheDeviceDidNotTake) {
    termios wanted{};
    wanted.c_iflag = ICRNL | IXON;
    wanted.c_lflag = ICANON | ECHO | ISIG;
    wanted.c_cflag = CS7 | PARENB | CSTOPB;
    makeRawByteStream(wanted, B9600);

    const struct {
        const char* what;
        std::function<void(termios&)> deviceDid;
        bool accepted;
    } rows[] = {
        {"took everything", [](termios&) {}, true},
        {"changed hardware flow control itself", [](termios& t) { t.c_cflag ^= CRTSCTS; }, true},
        {"kept the old speed", [](termios& t) { cfsetspeed(&t, B1200); }, false},
        {"kept 7 data bits", [](termios& t) { t.c_cflag = (t.c_cflag & ~CSIZE) | CS7; }, false},
        {"kept parity", [](termios& t) { t.c_cflag |= PARENB; }, false},
        {"kept two stop bits", [](termios& t) { t.c_cflag |= CSTOPB; }, false},
        {"kept canonical mode", [](termios& t) { t.c_lflag |= ICANON; }, false},
        {"kept XON/XOFF", [](termios& t) { t.c_iflag |= IXON; }, false},
        {"kept waiting for a byte", [](termios& t) { t.c_cc[VMIN] = 1; }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        termios actual = wanted;
        row.deviceDid(actual);
        EXPECT_EQ(rawByteStreamApplied(wanted, actual), row.accepted);
    }
}

}  // namespace
}  // namespace vemtora::posix
