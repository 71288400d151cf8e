// One interval's reading as a JSON object: the MQTT payload and the loggers' --format json.
#pragma once

#include <string>

#include "acquisition_settings.h"
#include "interval_reading.h"

namespace vemtora {

// {"time":"2026-10-25T02:30:00.1+02:00","volts":230.0,"amperes":0.52,"watts":119.6,
//  "frames":10,"interval":0.5}: the numbers with the log line's digits, which depend on the
// line's time stamp (the whole line decides fixed or scientific notation).
std::string readingJson(const IntervalReading& reading, LogTimeStamp logStamp);

// The same members without the braces, for a message that adds its own after them.
std::string readingJsonMembers(const IntervalReading& reading, LogTimeStamp logStamp);

// The shortest text that reads back as the same double; null where JSON has no number.
std::string jsonNumber(double value);

}  // namespace vemtora
