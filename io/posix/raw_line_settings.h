// The termios settings that turn a tty into the meter's raw 8N1 byte stream.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

namespace vemtora::posix {

// The termios code for one of the Speed menu's rates; nullopt for any other rate.
std::optional<speed_t> termiosSpeed(std::int32_t baudRate);

// Raw input (no line buffering, echo, signals, translation or software flow control), 8 data
// bits, no parity, one stop bit, reads that never wait, at the given speed. Everything else,
// hardware flow control included, stays as it was.
void makeRawByteStream(termios& settings, speed_t speed);

// tcsetattr succeeds when any part of a change applied, so the result is read back and
// compared: true when everything makeRawByteStream asked for is in effect.
bool rawByteStreamApplied(const termios& wanted, const termios& actual);

}  // namespace vemtora::posix
