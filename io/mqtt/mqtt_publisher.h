// Publishes each interval's reading to an MQTT broker through libmosquitto's own thread, so the
// serial polling never waits for the network. Readings wait in a bounded queue while the broker
// is away and go out in order when it is back.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/acquisition_settings.h"
#include "core/controller_interfaces.h"
#include "io/mqtt/broker_url.h"
#include "io/mqtt/reading_queue.h"

struct mosquitto;
struct mosquitto_message;

namespace vemtora::mqtt {

struct PublisherSettings {
    BrokerUrl url;
    std::optional<std::string> caFile;    // mqtts only; nullopt: the system's CAs
    std::optional<std::string> password;  // needs url.user
    LogTimeStamp logStamp = LogTimeStamp::TimeOfDay;  // the log line's digits depend on it
    std::size_t queueCapacity = kQueuedReadings;
};

// How long the broker may be away before the user hears of it: a restart goes unmentioned.
inline constexpr std::chrono::seconds kAwayPatience{2};
// Reconnection back-off, growing from the first to the second.
inline constexpr unsigned kReconnectDelaySeconds = 1;
inline constexpr unsigned kReconnectDelayMaxSeconds = 30;
// Readings published and not yet acknowledged, at most.
inline constexpr int kSendWindow = 16;
// How long a clean end waits for the broker to take the readings still waiting, then the
// offline status; with standard output's quarter second the end stays within a second.
inline constexpr std::chrono::milliseconds kDrainPatience{400};
inline constexpr std::chrono::milliseconds kStatusPatience{200};

class MqttPublisher final : public ReadingSink {
public:
    // tell: one sentence for standard error, from any thread.
    using Tell = std::function<void(std::string_view)>;

    // Starts connecting in the background; never fails: a broker away is waited for.
    MqttPublisher(PublisherSettings settings, Tell tell);
    // Sends what waits, says offline on the status topic and disconnects, within
    // kDrainPatience and kStatusPatience.
    ~MqttPublisher() override;

    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    void takeReading(const IntervalReading& reading) override;
    void collectingChanged(bool) override {}

private:
    using Clock = std::chrono::steady_clock;

    static void onConnect(struct mosquitto*, void* self, int result);
    static void onDisconnect(struct mosquitto*, void* self, int result);
    static void onPublish(struct mosquitto*, void* self, int messageId);
    static void onLog(struct mosquitto*, void* self, int level, const char* text);

    void connectUntilStarted();
    // Messages are said after mutex_ is released: standard error may be slow.
    void tellAll(const std::vector<std::string>& sentences) const;
    // All with mutex_ held.
    void takeConnack(int result);
    void sendWaiting();
    void publishStatus(std::string_view status);
    void reportAway(Clock::time_point now);
    void reportOverflow(bool dropped);
    std::string brokerName() const;
    // Why the broker was last out of reach, for the user.
    struct Problem {
        std::string text;
        bool tls = false;  // the TLS handshake failed
    };
    // Any thread, any lock: libmosquitto's log callback sets it from inside its calls.
    void setProblem(std::string text, bool tls = false);
    Problem problem();

    const PublisherSettings settings_;
    const Tell tell_;
    const std::string readingTopic_;
    const std::string statusTopic_;
    struct mosquitto* client_ = nullptr;
    bool loopRunning_ = false;
    std::thread starter_;

    std::mutex mutex_;
    std::condition_variable acknowledged_;
    ReadingQueue queue_;
    bool connected_ = false;
    int inFlight_ = 0;
    // After a reconnection libmosquitto sends again what was in flight; new readings wait for
    // those, so the order holds.
    bool resending_ = false;
    Clock::time_point awaySince_;
    bool awayTold_ = false;
    bool overflowing_ = false;
    std::vector<std::string> unsaid_;
    std::uint64_t droppedBeforeRun_ = 0;
    bool stopping_ = false;  // the offline status is on its way: no more readings
    bool ended_ = false;     // the destructor runs
    std::condition_variable ending_;
    std::optional<int> statusInFlight_;  // not counted in inFlight_

    std::mutex problemMutex_;
    Problem problem_;
};

}  // namespace vemtora::mqtt
