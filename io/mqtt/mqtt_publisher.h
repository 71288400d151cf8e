// Publishes each interval's reading to an MQTT broker. The reading goes out from the caller's
// thread without waiting; a thread of the publisher's own sleeps until the connection or a timer
// needs it, so a steady stream of readings costs no wake-up beyond the caller's.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/controller_interfaces.h"
#include "io/mqtt/delivery_engine.h"
#include "io/mqtt/mosquitto_link.h"
#include "io/mqtt/publisher_settings.h"
#include "io/posix/owned_descriptor.h"

namespace vemtora::mqtt {

class MqttPublisher final : public ReadingSink {
public:
    // tell: one sentence for standard error, from any thread.
    using Tell = std::function<void(std::string_view)>;

    // Starts connecting in the background; never fails: a broker away is waited for.
    // energyJoulesAtStart: the total the readings' energy continues from.
    MqttPublisher(PublisherSettings settings, Tell tell, double energyJoulesAtStart = 0.0);
    // Sends what waits, says offline on the status topic and disconnects, within kDrainPatience
    // and kStatusPatience; at once when the broker is away, a name look-up that hangs included.
    ~MqttPublisher() override;

    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    void takeReading(const IntervalReading& reading) override;
    void collectingChanged(bool) override {}

private:
    struct Watched {
        int fd = -1;
        std::uint64_t connection = 0;
        std::uint32_t events = 0;
    };

    void run();
    // All with mutex_ held.
    void serviceLink(Clock::time_point now, bool housekeeping);
    void settle(Clock::time_point now);
    void rewatch();
    // Messages are said after mutex_ is released: standard error may be slow.
    void say(const std::vector<Notice>& notices) const;

    const PublisherSettings settings_;
    const Tell tell_;
    const std::string brokerName_;
    posix::OwnedDescriptor epoll_;
    posix::OwnedDescriptor timer_;
    posix::OwnedDescriptor ending_;

    std::mutex mutex_;
    MosquittoLink link_;
    DeliveryEngine engine_;
    Clock::time_point nextHousekeeping_;
    std::optional<Clock::time_point> armedFor_;
    Watched watched_;
    std::thread thread_;
};

}  // namespace vemtora::mqtt
