// Statistics as text, the same in the window, the picture and `--summary`; the point for decimals
// whatever the locale, like the log itself.
#pragma once

#include <cstdint>
#include <string>

#include "statistics.h"

namespace vemtora::plot {

// The log's own decimals for each quantity.
int decimalsOf(Quantity quantity);
const char* unitOf(Quantity quantity);  // "V", "A", "W"
const char* nameOf(Quantity quantity);  // "volts", "amperes", "watts"

std::string fixedText(double value, int decimals);
// "4.5 s", "3 min 04.5 s", "26 h 03 min 04.5 s"
std::string durationText(std::int64_t tenths);
std::string energyText(double wattHours);                    // "0.492 Wh", "33.040 kWh"
std::string averagePowerText(const Statistics& statistics);  // "273.1 W", or "none" with no time covered

// One line for under the charts, after `heading` ("In view", "Selected").
std::string statisticsLine(const Statistics& statistics, const std::string& heading = "In view");

}  // namespace vemtora::plot
