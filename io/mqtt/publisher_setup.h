// From the logger's --mqtt options to the publisher's settings: the URL checked, the password
// read from its file or the environment, the CA file checked before the first connection.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "io/mqtt/mqtt_publisher.h"

namespace vemtora::mqtt {

inline constexpr const char* kPasswordVariable = "VEMTORA_MQTT_PASSWORD";

struct MqttOptions {
    std::optional<std::string> url;
    std::optional<std::string> caFile;
    std::optional<std::string> passwordFile;
};

struct PublisherSetup {
    std::optional<PublisherSettings> settings;  // nullopt: no --mqtt, or an error
    std::string error;                          // a sentence without the program name
    bool usageError = false;                    // the command line is wrong, not a file
};

// password: the environment's VEMTORA_MQTT_PASSWORD, nullptr when unset.
PublisherSetup setUpPublisher(const MqttOptions& options, LogTimeStamp logStamp, const char* password);

}  // namespace vemtora::mqtt
