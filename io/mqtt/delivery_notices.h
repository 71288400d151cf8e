// What the delivery rules have to tell the user, and the sentences for standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "io/mqtt/broker_link.h"

namespace vemtora::mqtt {

struct Notice {
    enum class Kind {
        Away,       // once per outage; count: the readings that may wait
        Back,       // the broker reached after an Away; count: the readings waiting
        QueueFull,  // count: the queue's room
        Dropped,    // the queue has room again; count: the readings that gave way
        Unsent,     // at the end; count: the readings the broker never acknowledged
    };
    Kind kind = Kind::Away;
    std::uint64_t count = 0;
    Failure failure{};  // Away
};

// broker: host:port as the user knows it. No option names, no password.
std::string sentence(const Notice& notice, std::string_view broker);

// The reason on one line, without its full stop; `otherwise` when there is none worth saying.
std::string oneLineReason(std::string_view reason, std::string_view otherwise);

}  // namespace vemtora::mqtt
