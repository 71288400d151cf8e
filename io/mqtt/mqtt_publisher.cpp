// libmosquitto runs the network in its own thread (mosquitto_loop_start). The data path only
// queues a reading and, while connected, hands it to mosquitto_publish, which in threaded mode
// queues the packet and wakes that thread: no wait on the network, one short mutex.
#include "io/mqtt/mqtt_publisher.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "io/mqtt/reading_message.h"

namespace vemtora::mqtt {

namespace {

constexpr int kQos = 1;
constexpr int kKeepAliveSeconds = 30;

void initialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// libmosquitto's sentences end with a full stop; ours go on after them.
std::string withoutFullStop(std::string text) {
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string problemText(int result) {
    if (result == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return withoutFullStop(mosquitto_strerror(result));
}

}  // namespace

MqttPublisher::MqttPublisher(PublisherSettings settings, Tell tell)
    : settings_(std::move(settings)),
      tell_(std::move(tell)),
      readingTopic_(topicUnder(settings_.url.topicPrefix, kReadingTopic)),
      statusTopic_(topicUnder(settings_.url.topicPrefix, kStatusTopic)),
      queue_(settings_.queueCapacity),
      awaySince_(Clock::now()) {
    initialiseLibraryOnce();
    // A random client id with a clean session: two loggers never push each other off, and
    // what waits is kept here, not in the broker.
    client_ = mosquitto_new(nullptr, true, this);
    if (client_ == nullptr) {
        setProblem("cannot make an MQTT client: " + std::string(std::strerror(errno)));
        return;
    }
    mosquitto_connect_callback_set(client_, onConnect);
    mosquitto_disconnect_callback_set(client_, onDisconnect);
    mosquitto_publish_callback_set(client_, onPublish);
    mosquitto_log_callback_set(client_, onLog);
    mosquitto_reconnect_delay_set(client_, kReconnectDelaySeconds, kReconnectDelayMaxSeconds, true);
    const auto& url = settings_.url;
    int result = mosquitto_will_set(client_, statusTopic_.c_str(), static_cast<int>(kOffline.size()), kOffline.data(),
                                    kQos, true);
    if (result == MOSQ_ERR_SUCCESS && !url.user.empty()) {
        result = mosquitto_username_pw_set(client_, url.user.c_str(),
                                           settings_.password ? settings_.password->c_str() : nullptr);
    }
    if (result == MOSQ_ERR_SUCCESS && url.tls) {
        result = settings_.caFile ? mosquitto_tls_set(client_, settings_.caFile->c_str(), nullptr, nullptr, nullptr, nullptr)
                                  : mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    }
    if (result != MOSQ_ERR_SUCCESS) {
        setProblem("cannot set up the MQTT client: " + problemText(result));
        return;
    }
    loopRunning_ = mosquitto_loop_start(client_) == MOSQ_ERR_SUCCESS;
    if (!loopRunning_) {
        setProblem("cannot start the MQTT thread");
        return;
    }
    starter_ = std::thread([this] { connectUntilStarted(); });
}

// libmosquitto's loop reconnects with its back-off once a first connection was under way;
// a first attempt that fails at once (a name that does not resolve yet, a refusal from this
// host) it leaves alone. This thread tries until one is under way, and keeps the name
// lookup out of the start.
void MqttPublisher::connectUntilStarted() {
    std::chrono::seconds delay{kReconnectDelaySeconds};
    for (bool first = true;; first = false) {
        const auto& url = settings_.url;
        const int result = first ? mosquitto_connect_async(client_, url.host.c_str(), url.port, kKeepAliveSeconds)
                                 : mosquitto_reconnect_async(client_);
        if (result == MOSQ_ERR_SUCCESS) return;
        setProblem(problemText(result));
        std::unique_lock lock(mutex_);
        if (ending_.wait_for(lock, delay, [this] { return ended_; })) return;
        delay = std::min(delay * 2, std::chrono::seconds(kReconnectDelayMaxSeconds));
    }
}

MqttPublisher::~MqttPublisher() {
    if (client_ == nullptr) return;
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    ending_.notify_all();
    if (starter_.joinable()) starter_.join();
    bool wasConnected = false;
    std::size_t unsent = 0;
    {
        std::unique_lock lock(mutex_);
        // What waits goes first, then offline as the last word.
        acknowledged_.wait_for(lock, kDrainPatience, [&] { return !connected_ || (queue_.empty() && inFlight_ == 0); });
        stopping_ = true;
        if (connected_) publishStatus(kOffline);
        acknowledged_.wait_for(lock, kStatusPatience, [&] { return !connected_ || !statusInFlight_; });
        wasConnected = connected_;
        unsent = queue_.size() + static_cast<std::size_t>(inFlight_);
    }
    if (unsent > 0) {
        tell_(std::to_string(unsent) + " readings were not sent to the MQTT broker " + brokerName() + " at the end");
    }
    mosquitto_disconnect(client_);
    // A thread in a reconnection's connect or sleep would hold the end up: it is cancelled then.
    if (loopRunning_) mosquitto_loop_stop(client_, !wasConnected);
    mosquitto_destroy(client_);
}

void MqttPublisher::takeReading(const IntervalReading& reading) {
    std::vector<std::string> said;
    {
        std::lock_guard lock(mutex_);
        reportOverflow(!queue_.push(reading));
        if (connected_) {
            sendWaiting();
        } else {
            reportAway(Clock::now());
        }
        said = std::exchange(unsaid_, {});
    }
    tellAll(said);
}

void MqttPublisher::tellAll(const std::vector<std::string>& sentences) const {
    for (const std::string& sentence : sentences) tell_(sentence);
}

void MqttPublisher::sendWaiting() {
    while (connected_ && !resending_ && !stopping_ && inFlight_ < kSendWindow && !queue_.empty()) {
        const std::string payload = readingPayload(*queue_.front(), settings_.logStamp);
        int messageId = 0;
        const int result = mosquitto_publish(client_, &messageId, readingTopic_.c_str(), static_cast<int>(payload.size()),
                                             payload.data(), kQos, false);
        // Not taken (the connection just went): it stays first in the queue for the next one.
        if (result != MOSQ_ERR_SUCCESS) return;
        queue_.pop();
        ++inFlight_;
    }
}

void MqttPublisher::publishStatus(std::string_view status) {
    int messageId = 0;
    if (mosquitto_publish(client_, &messageId, statusTopic_.c_str(), static_cast<int>(status.size()), status.data(), kQos,
                          true) == MOSQ_ERR_SUCCESS) {
        statusInFlight_ = messageId;
    }
}

void MqttPublisher::setProblem(std::string text, bool tls) {
    std::lock_guard lock(problemMutex_);
    problem_ = {std::move(text), tls};
}

MqttPublisher::Problem MqttPublisher::problem() {
    std::lock_guard lock(problemMutex_);
    return problem_;
}

void MqttPublisher::reportAway(Clock::time_point now) {
    const Problem why = problem();
    // A certificate that fails will fail again: no patience for it.
    if (awayTold_ || (!why.tls && now - awaySince_ < kAwayPatience)) return;
    awayTold_ = true;
    if (why.tls) {
        unsaid_.push_back("TLS with the MQTT broker " + brokerName() + " failed (" + why.text +
                          "); is the broker's certificate for this host and signed by the CA of --mqtt-ca or the "
                          "system? Logging goes on without the broker");
        return;
    }
    unsaid_.push_back("cannot reach the MQTT broker " + brokerName() + " (" + (why.text.empty() ? "no answer" : why.text) +
                      "); logging goes on and up to " + std::to_string(queue_.capacity()) + " readings wait for it");
}

void MqttPublisher::reportOverflow(bool dropped) {
    if (dropped == overflowing_) return;
    overflowing_ = dropped;
    if (dropped) {
        droppedBeforeRun_ = queue_.dropped() - 1;
        unsaid_.push_back("the queue for the MQTT broker is full (" + std::to_string(queue_.capacity()) +
                          " readings): the oldest give way");
    } else {
        unsaid_.push_back(std::to_string(queue_.dropped() - droppedBeforeRun_) +
                          " readings were dropped before reaching the MQTT broker");
    }
}

std::string MqttPublisher::brokerName() const {
    const auto& url = settings_.url;
    const bool ipv6 = url.host.find(':') != std::string::npos;
    return (ipv6 ? "[" + url.host + "]" : url.host) + ":" + std::to_string(url.port);
}

void MqttPublisher::onConnect(struct mosquitto*, void* self, int result) {
    auto& publisher = *static_cast<MqttPublisher*>(self);
    std::vector<std::string> said;
    {
        std::lock_guard lock(publisher.mutex_);
        publisher.takeConnack(result);
        said = std::exchange(publisher.unsaid_, {});
    }
    publisher.tellAll(said);
}

void MqttPublisher::takeConnack(int result) {
    if (result != 0) {
        // Refused: libmosquitto keeps trying with the back-off, up to once every
        // kReconnectDelayMaxSeconds; the user hears of it once per refusal run.
        const std::string why = withoutFullStop(mosquitto_connack_string(result));
        if (!awayTold_) {
            unsaid_.push_back("the MQTT broker " + brokerName() + " refused the connection: " + why +
                              "; logging goes on, trying again with back-off");
            awayTold_ = true;
        }
        setProblem(why);
        return;
    }
    connected_ = true;
    setProblem({});
    if (awayTold_) {
        unsaid_.push_back("reached the MQTT broker " + brokerName() + "; sending " +
                          std::to_string(queue_.size() + static_cast<std::size_t>(inFlight_)) + " waiting readings");
        awayTold_ = false;
    }
    publishStatus(kOnline);
    sendWaiting();
}

void MqttPublisher::onDisconnect(struct mosquitto*, void* self, int result) {
    auto& publisher = *static_cast<MqttPublisher*>(self);
    std::lock_guard lock(publisher.mutex_);
    if (publisher.connected_) publisher.awaySince_ = Clock::now();
    publisher.connected_ = false;
    publisher.resending_ = publisher.inFlight_ > 0;
    if (result != 0 && publisher.problem().text.empty()) publisher.setProblem(problemText(result));
    publisher.acknowledged_.notify_all();
}

void MqttPublisher::onPublish(struct mosquitto*, void* self, int messageId) {
    auto& publisher = *static_cast<MqttPublisher*>(self);
    std::lock_guard lock(publisher.mutex_);
    if (publisher.statusInFlight_ == messageId) {
        publisher.statusInFlight_.reset();
    } else if (publisher.inFlight_ > 0) {
        --publisher.inFlight_;
    }
    if (publisher.inFlight_ == 0) publisher.resending_ = false;
    publisher.sendWaiting();
    publisher.acknowledged_.notify_all();
}

void MqttPublisher::onLog(struct mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR || text == nullptr) return;
    // Its own mutex: libmosquitto logs from inside calls made with mutex_ held.
    // OpenSSL's own words, such as "certificate verify failed", say more than MOSQ_ERR_TLS.
    static_cast<MqttPublisher*>(self)->setProblem(text, std::strstr(text, "SSL") != nullptr);
}

}  // namespace vemtora::mqtt
