// Every value is a number or a time the core formats, so the JSON is written directly: nothing
// the user typed is in it, and a JSON library would rewrite the log line's digits.
#include "reading_json.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "report_texts.h"

namespace vemtora {

namespace {

// to_chars writes "inf" and "nan", which JSON has no word for.
std::string_view numberOrNull(double value, std::string_view text) { return std::isfinite(value) ? text : "null"; }

}  // namespace

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return {digits, result.ptr};
}

std::string readingJson(const IntervalReading& reading, LogTimeStamp logStamp) {
    std::string json = "{";
    json.append(readingJsonMembers(reading, logStamp));
    return json.append("}");
}

std::string readingJsonMembers(const IntervalReading& reading, LogTimeStamp logStamp) {
    const ReadingFields fields = formatReadingFields(reading, logStamp);
    std::string json = "\"time\":\"";
    json.append(formatDatedTime(reading.time).view());
    json.append("\",\"volts\":").append(numberOrNull(reading.volts, fields.volts.view()));
    json.append(",\"amperes\":").append(numberOrNull(reading.amperes, fields.amperes.view()));
    json.append(",\"watts\":").append(numberOrNull(reading.watts, fields.watts.view()));
    json.append(",\"frames\":").append(std::to_string(reading.frameCount));
    // Shortest form: 0.1, 0.5, 2, 30.
    json.append(",\"interval\":").append(jsonNumber(reading.intervalMs / 1000.0));
    return json;
}

}  // namespace vemtora
