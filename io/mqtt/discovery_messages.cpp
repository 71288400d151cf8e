// Written after Home Assistant's MQTT integration documentation (discovery, and the MQTT sensor's
// options) as of Home Assistant 2025.1: <prefix>/sensor/<node_id>/<object_id>/config, full option
// names, a device block shared by the four sensors, and an origin.
#include "io/mqtt/discovery_messages.h"

#include <cstdint>
#include <cstdio>

#include "io/mqtt/reading_message.h"

namespace vemtora::mqtt {

namespace {

struct Sensor {
    const char* objectId;
    const char* name;
    const char* deviceClass;
    const char* stateClass;
    const char* unit;
    const char* valueTemplate;
};

// The templates read the reading payload's fields; energy_wh counts since the first start.
constexpr Sensor kSensors[] = {
    {"voltage", "Voltage", "voltage", "measurement", "V", "{{ value_json.volts }}"},
    {"current", "Current", "current", "measurement", "A", "{{ value_json.amperes }}"},
    {"power", "Power", "power", "measurement", "W", "{{ value_json.watts }}"},
    {"energy", "Energy", "energy", "total_increasing", "kWh", "{{ value_json.energy_wh / 1000 }}"},
};

// The topic prefix is the user's UTF-8; the rest is plain ASCII.
std::string quoted(std::string_view text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            json += escape;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

}  // namespace

std::string discoveryDeviceId(std::string_view topicPrefix) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    std::string id = "vemtora_";
    for (const char c : topicPrefix) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        id += allowed ? c : '_';
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%08x", static_cast<unsigned>(hash));
    return id + suffix;
}

std::vector<Message> discoveryMessages(std::string_view discoveryPrefix, std::string_view topicPrefix,
                                       std::string_view softwareVersion) {
    const std::string deviceId = discoveryDeviceId(topicPrefix);
    const std::string version = quoted(softwareVersion);
    const std::string device =
        "{\"identifiers\":[" + quoted(deviceId) + "],\"name\":" + quoted("Vemtora " + std::string(topicPrefix)) +
        ",\"manufacturer\":\"Vemtora\",\"model\":\"Serial power meter\",\"sw_version\":" + version + "}";
    std::vector<Message> messages;
    for (const Sensor& sensor : kSensors) {
        std::string json = "{\"name\":" + quoted(sensor.name);
        json += ",\"unique_id\":" + quoted(deviceId + "_" + sensor.objectId);
        json += ",\"state_topic\":" + quoted(topicUnder(topicPrefix, kReadingTopic));
        json += ",\"value_template\":" + quoted(sensor.valueTemplate);
        json += ",\"unit_of_measurement\":" + quoted(sensor.unit);
        json += ",\"device_class\":" + quoted(sensor.deviceClass);
        json += ",\"state_class\":" + quoted(sensor.stateClass);
        json += ",\"availability_topic\":" + quoted(topicUnder(topicPrefix, kStatusTopic));
        json += ",\"payload_available\":" + quoted(kOnline);
        json += ",\"payload_not_available\":" + quoted(kOffline);
        json += ",\"device\":" + device;
        json += ",\"origin\":{\"name\":\"vemtora-logger\",\"sw_version\":" + version + "}}";
        const std::string topic =
            std::string(discoveryPrefix) + "/sensor/" + deviceId + "/" + sensor.objectId + "/config";
        messages.push_back({topic, std::move(json), true});
    }
    return messages;
}

}  // namespace vemtora::mqtt
