// Logs as Vemtora writes them, made with the core's own formatLogLine: a day of a household
// load switching on and off, or any number of lines at 0.1 s.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "core/report_texts.h"

namespace vemtora::plot::testing {

inline LocalTime clockAt(std::int64_t tenths) {
    tenths %= 864000;
    return {static_cast<std::uint16_t>(tenths / 36000), static_cast<std::uint16_t>(tenths / 600 % 60),
            static_cast<std::uint16_t>(tenths / 10 % 60), static_cast<std::uint16_t>(tenths % 10 * 100)};
}

inline std::string logLine(std::int64_t tenths, double volts, double amperes) {
    IntervalAccumulator totals;
    totals.add({volts, amperes, volts * amperes});
    return std::string(formatLogLine(clockAt(tenths), totals).view());
}

// Amperes drawn at a time of day: a fridge cycling, a kettle, a washing machine, evening lights.
inline double householdCurrent(double hours, std::uint32_t& noise) {
    noise = noise * 1664525u + 1013904223u;
    const double jitter = static_cast<double>(noise >> 8) / 16777216.0 - 0.5;
    double amperes = 0.35 + 0.02 * jitter;
    if (std::fmod(hours, 1.0) < 0.3) amperes += 0.9;                                  // fridge compressor
    if (hours >= 7.1 && hours < 7.15) amperes += 8.6;                                 // kettle
    if (hours >= 10.0 && hours < 10.4) amperes += 8.1;                                // washing machine heating
    if (hours >= 10.4 && hours < 11.5) amperes += 1.2 + 0.8 * std::sin(hours * 400);  // and turning
    if (hours >= 12.5 && hours < 12.9) amperes += 4.3;                                // oven
    if (hours >= 18.0 && hours < 23.0) amperes += 0.6;                                // lights and a television
    return amperes;
}

// Lines number first .. first + count - 1, one per `stepTenths` from 00:00:00.0, crossing midnight
// as often as they must.
inline void appendHouseholdLines(std::string& text, std::int64_t first, std::int64_t count, std::int64_t stepTenths) {
    std::uint32_t noise = static_cast<std::uint32_t>(first) + 1;
    for (std::int64_t i = first; i < first + count; ++i) {
        const std::int64_t tenths = i * stepTenths;
        const double amperes = householdCurrent(static_cast<double>(tenths % 864000) / 36000.0, noise);
        const double volts = 231.0 + 2.0 * std::sin(static_cast<double>(tenths) / 200000.0) - 0.25 * amperes;
        text += logLine(tenths, volts, amperes);
    }
}

inline std::string householdLog(std::int64_t lines, std::int64_t stepTenths) {
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 26);
    appendHouseholdLines(text, 0, lines, stepTenths);
    return text;
}

}  // namespace vemtora::plot::testing
