#include "io/mqtt/reading_message.h"

#include "core/reading_json.h"

namespace vemtora::mqtt {

std::string topicUnder(std::string_view prefix, std::string_view topic) {
    return std::string(prefix).append("/").append(topic);
}

// The loggers' JSON line with the energy after it.
std::string readingPayload(const PublishedReading& published, LogTimeStamp logStamp) {
    std::string json = "{";
    json.append(readingJsonMembers(published.reading, logStamp));
    json.append(",\"energy_wh\":").append(jsonNumber(published.energyJoules / 3600.0));
    return json.append("}");
}

}  // namespace vemtora::mqtt
