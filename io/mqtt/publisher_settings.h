// What the logger's command line decides about publishing to a broker.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/acquisition_settings.h"
#include "io/mqtt/broker_url.h"
#include "io/mqtt/reading_queue.h"

namespace vemtora::mqtt {

struct PublisherSettings {
    BrokerUrl url;
    std::optional<std::string> caFile;                // mqtts only; nullopt: the system's CAs
    std::optional<std::string> password;              // needs url.user
    std::optional<std::string> discoveryPrefix;       // Home Assistant's discovery topics go under it
    LogTimeStamp logStamp = LogTimeStamp::TimeOfDay;  // the log line's digits depend on it
    std::size_t queueCapacity = kQueuedReadings;
};

}  // namespace vemtora::mqtt
