// Raw 8N1 termios settings and the check that a device really took them.
#include "io/posix/raw_line_settings.h"

#include <array>
#include <utility>

namespace vemtora::posix {

namespace {

constexpr tcflag_t kInputFlagsCleared =
    IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IXON | IXOFF | IXANY | INPCK;
constexpr tcflag_t kOutputFlagsCleared = OPOST;
constexpr tcflag_t kLocalFlagsCleared = ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN;
constexpr tcflag_t kControlFlagsSet = CS8 | CREAD | CLOCAL;
constexpr tcflag_t kControlFlagsCleared = CSIZE | PARENB | CSTOPB;

constexpr std::array<std::pair<std::int32_t, speed_t>, 8> kSpeeds = {{
    {300, B300},
    {600, B600},
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
}};

}  // namespace

std::optional<speed_t> termiosSpeed(std::int32_t baudRate) {
    for (const auto& [rate, code] : kSpeeds) {
        if (rate == baudRate) return code;
    }
    return std::nullopt;
}

void makeRawByteStream(termios& settings, speed_t speed) {
    settings.c_iflag &= ~kInputFlagsCleared;
    settings.c_oflag &= ~kOutputFlagsCleared;
    settings.c_lflag &= ~kLocalFlagsCleared;
    settings.c_cflag &= ~kControlFlagsCleared;
    settings.c_cflag |= kControlFlagsSet;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
}

bool rawByteStreamApplied(const termios& wanted, const termios& actual) {
    constexpr tcflag_t kControlFlagsChecked = kControlFlagsCleared | kControlFlagsSet;
    return (actual.c_iflag & kInputFlagsCleared) == (wanted.c_iflag & kInputFlagsCleared) &&
           (actual.c_oflag & kOutputFlagsCleared) == (wanted.c_oflag & kOutputFlagsCleared) &&
           (actual.c_lflag & kLocalFlagsCleared) == (wanted.c_lflag & kLocalFlagsCleared) &&
           (actual.c_cflag & kControlFlagsChecked) == (wanted.c_cflag & kControlFlagsChecked) &&
           actual.c_cc[VMIN] == wanted.c_cc[VMIN] && actual.c_cc[VTIME] == wanted.c_cc[VTIME] &&
           cfgetispeed(&actual) == cfgetispeed(&wanted) && cfgetospeed(&actual) == cfgetospeed(&wanted);
}

}  // namespace vemtora::posix
