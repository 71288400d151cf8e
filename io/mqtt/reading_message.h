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

// A reading as it waits for the broker: with the energy counted up to and including it.
struct PublishedReading {
    IntervalReading reading;
    double energyJoules = 0.0;
};

// {"time":"2026-10-25T02:30:00.1+02:00","volts":230.0,"amperes":0.52,"watts":119.6,
//  "frames":10,"interval":0.5,"energy_wh":1523.25}: the first numbers with the log line's
// digits, which depend on the line's time stamp (the whole line decides fixed or scientific
// notation); energy_wh the shortest that reads back the same.
std::string readingPayload(const PublishedReading& published, LogTimeStamp logStamp);

}  // namespace vemtora::mqtt
