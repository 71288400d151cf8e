// The simulator's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/meter_simulator/line_pacer.h"

namespace vemtora::simulator {

struct SimulatorOptions {
    std::vector<std::string> links;  // symlinks made to the pty, removed on exit
    int baudRate = 9600;
    double framesPerSecond = 20.0;  // 0: back to back, as fast as the line allows
    long rawVoltage = 1000;
    long rawCurrent = 200;
    long divisor = 10;
    double noise = 0.0;              // relative spread of the raw values
    double malformed = 0.0;          // share of frames sent broken
    double durationSeconds = 0.0;    // 0: until stopped
    std::optional<std::string> raw;  // bytes sent once instead of frames (C escapes allowed)
    unsigned seed = 1;
    Delivery delivery = Delivery::Bytes;
    Overrun overrun = Overrun::Hold;
    unsigned long frames = 0;  // 0: no limit; after that many the line stays up, silent
    bool hold = false;         // send nothing until SIGUSR1
    bool help = false;
};

// Returns nullopt and fills `error` on a bad command line.
std::optional<SimulatorOptions> parseSimulatorOptions(const std::vector<std::string>& args, std::string& error);

// Turns C escapes (\r \n \t \\ \xNN) into bytes.
std::optional<std::string> unescape(const std::string& text);

extern const char* const kSimulatorUsage;

}  // namespace vemtora::simulator
