// The rules of delivery to the broker, apart from any library, thread or clock: readings wait in
// order and go out QoS 1 within a send window; a connection that ends, for whatever reason, is
// tried again with back-off, one attempt at a time; the status topic says online and offline;
// the user hears of an outage once.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/acquisition_settings.h"
#include "core/interval_reading.h"
#include "io/mqtt/broker_link.h"
#include "io/mqtt/delivery_notices.h"
#include "io/mqtt/reading_queue.h"

namespace vemtora::mqtt {

using Clock = std::chrono::steady_clock;

// How long the broker may be away before the user hears of it: a restart goes unmentioned.
inline constexpr std::chrono::seconds kAwayPatience{2};
// The wait before the next attempt doubles from the first to the last.
inline constexpr std::chrono::seconds kReconnectDelayFirst{1};
inline constexpr std::chrono::seconds kReconnectDelayMax{30};
// Readings published and not yet acknowledged, at most.
inline constexpr std::size_t kSendWindow = 16;
// How long a clean end waits for the broker to take the readings still waiting, then the
// offline status; with standard output's quarter second the end stays within a second.
inline constexpr std::chrono::milliseconds kDrainPatience{400};
inline constexpr std::chrono::milliseconds kStatusPatience{200};

struct DeliverySettings {
    std::string topicPrefix;
    LogTimeStamp logStamp = LogTimeStamp::TimeOfDay;
    std::size_t queueCapacity = kQueuedReadings;
    double energyJoulesAtStart = 0.0;  // a total kept from an earlier run
    // Retained, after every connect before the online status: discovery for home automation.
    std::vector<Message> announcements;
};

class DeliveryEngine {
public:
    // Starts the first attempt. link must outlive the engine.
    DeliveryEngine(const DeliverySettings& settings, BrokerLink& link, Clock::time_point now);

    void takeReading(const IntervalReading& reading, Clock::time_point now);
    void handle(const LinkEvent& event, Clock::time_point now);
    // The next attempt, the user's message, the end's patience: whatever is due by now.
    void tick(Clock::time_point now);
    // Sends what waits, then offline, then disconnects; while away, ends at once.
    void finish(Clock::time_point now);

    bool finished() const { return state_ == State::Finished; }
    // When tick() has something to do.
    std::optional<Clock::time_point> nextDeadline() const;
    // An answer is awaited that lets more go out: worth watching the connection for at once.
    // Otherwise acknowledgements can wait for the next reading.
    bool awaitingAnswers() const;
    std::vector<Notice> takeNotices();

private:
    enum class State { Waiting, Connecting, Connected, Draining, SayingOffline, Finished };
    struct InFlight {
        int messageId;
        bool acknowledged;
    };

    void attempt();
    void onConnected();
    void onAcknowledged(int messageId);
    void onFailure(const Failure& failure, Clock::time_point now);
    void sendWaiting();
    void sayAwayIfDue(Clock::time_point now);
    void noteOverflow(bool dropped);
    void moveTheEndOn(Clock::time_point now);
    void end();
    bool ending() const {
        return state_ == State::Draining || state_ == State::SayingOffline || state_ == State::Finished;
    }
    bool sending() const { return state_ == State::Connected || state_ == State::Draining; }

    const DeliverySettings settings_;
    BrokerLink& link_;
    const std::string readingTopic_;
    const std::string statusTopic_;
    State state_ = State::Waiting;
    // The readings not yet acknowledged; those in flight are its first inFlight_.size().
    ReadingQueue queue_;
    double energyJoules_;  // through the latest reading taken
    std::deque<InFlight> inFlight_;
    std::optional<int> statusInFlight_;
    Clock::duration delay_ = kReconnectDelayFirst;
    Clock::time_point nextAttempt_;
    Clock::time_point awaySince_;
    std::optional<Failure> lastFailure_;  // this outage's latest
    bool awayTold_ = false;
    bool overflowing_ = false;
    std::uint64_t droppedBeforeOverflow_ = 0;
    Clock::time_point endBy_;
    std::vector<Notice> notices_;
};

}  // namespace vemtora::mqtt
