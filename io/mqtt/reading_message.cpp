// Every value is a number or a time the core formats, so the JSON is written directly: nothing
// the user typed is in it, and a JSON library would rewrite the log line's digits.
#include "io/mqtt/reading_message.h"

#include <charconv>
#include <cmath>

#include "core/report_texts.h"

namespace vemtora::mqtt {

namespace {

// to_chars writes "inf" and "nan", which JSON has no word for.
std::string_view numberOrNull(double value, std::string_view text) { return std::isfinite(value) ? text : "null"; }

// Shortest form: 0.1, 0.5, 2, 30.
std::string shortest(double value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return {digits, result.ptr};
}

}  // namespace

std::string topicUnder(std::string_view prefix, std::string_view topic) {
    return std::string(prefix).append("/").append(topic);
}

std::string readingPayload(const PublishedReading& published, LogTimeStamp logStamp) {
    const IntervalReading& reading = published.reading;
    const ReadingFields fields = formatReadingFields(reading, logStamp);
    std::string json = "{\"time\":\"";
    json.append(formatDatedTime(reading.time).view());
    json.append("\",\"volts\":").append(numberOrNull(reading.volts, fields.volts.view()));
    json.append(",\"amperes\":").append(numberOrNull(reading.amperes, fields.amperes.view()));
    json.append(",\"watts\":").append(numberOrNull(reading.watts, fields.watts.view()));
    json.append(",\"frames\":").append(std::to_string(reading.frameCount));
    json.append(",\"interval\":").append(shortest(reading.intervalMs / 1000.0));
    const double wattHours = published.energyJoules / 3600.0;
    json.append(",\"energy_wh\":").append(numberOrNull(wattHours, shortest(wattHours)));
    return json.append("}");
}

}  // namespace vemtora::mqtt
