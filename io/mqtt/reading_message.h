// What the broker gets: the topics under the user's prefix and a reading as JSON.
#pragma once

#include <string>
#include <string_view>

#include "core/acquisition_settings.h"
#include "core/interval_reading.h"

namespace vemtora::mqtt {

inline constexpr std::string_view kReadingTopic = "reading";
inline constexpr std::string_view kStatusTopic = "status";
inline constexpr std::string_view kOnline = "online";
inline constexpr std::string_view kOffline = "offline";

std::string topicUnder(std::string_view prefix, std::string_view topic);

// {"time":"2026-10-25T02:30:00.1+02:00","volts":230.0,"amperes":0.52,"watts":119.6,
//  "frames":10,"interval":0.5}: the numbers with the log line's digits, which depend on the
// line's time stamp (the whole line decides fixed or scientific notation).
std::string readingPayload(const IntervalReading& reading, LogTimeStamp logStamp);

}  // namespace vemtora::mqtt
