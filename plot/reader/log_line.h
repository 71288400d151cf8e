// One line of a Vemtora log: time stamp, volts, amperes and watts, tab-separated.
#pragma once

#include <optional>
#include <string_view>

#include "log_stamp.h"

namespace vemtora::plot {

struct LogRecord {
    LogStamp stamp;
    double volts = 0.0;
    double amperes = 0.0;
    double watts = 0.0;
};

// `line` without its line feed; one trailing carriage return (a file edited on Windows) is allowed.
// Numbers are read as formatLogLine writes them: a point for decimals whatever the locale, a minus
// sign, scientific notation for huge values.
std::optional<LogRecord> parseLogLine(std::string_view line);

}  // namespace vemtora::plot
