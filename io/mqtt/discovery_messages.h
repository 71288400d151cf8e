// Home Assistant's MQTT discovery: one device per logger with four sensors (voltage, current,
// power, energy) read from the reading topic, available by the status topic.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/mqtt/broker_link.h"

namespace vemtora::mqtt {

inline constexpr std::string_view kDefaultDiscoveryPrefix = "homeassistant";

// The device's identifier, from the topic prefix: only [a-zA-Z0-9_-] as discovery topics allow,
// with a hash of the prefix so that "lab/bench 1" and "lab_bench_1" stay two devices.
std::string discoveryDeviceId(std::string_view topicPrefix);

// The retained configuration messages, one per sensor, under discoveryPrefix.
std::vector<Message> discoveryMessages(std::string_view discoveryPrefix, std::string_view topicPrefix,
                                       std::string_view softwareVersion);

}  // namespace vemtora::mqtt
