// A reading leaves the queue only when the broker acknowledged it, so whatever a broken
// connection had in flight goes again first on the next one, and the order holds.
#include "io/mqtt/delivery_engine.h"

#include <algorithm>
#include <utility>

#include "core/interval_energy.h"
#include "io/mqtt/reading_message.h"

namespace vemtora::mqtt {

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};

}  // namespace

DeliveryEngine::DeliveryEngine(const DeliverySettings& settings, BrokerLink& link, Clock::time_point now)
    : settings_(settings),
      link_(link),
      readingTopic_(topicUnder(settings.topicPrefix, kReadingTopic)),
      statusTopic_(topicUnder(settings.topicPrefix, kStatusTopic)),
      queue_(settings.queueCapacity),
      energyJoules_(settings.energyJoulesAtStart),
      awaySince_(now) {
    attempt();
}

void DeliveryEngine::attempt() {
    state_ = State::Connecting;
    link_.connect({statusTopic_, std::string(kOffline), true});
}

void DeliveryEngine::takeReading(const IntervalReading& reading, Clock::time_point) {
    if (ending()) return;
    // Counted whether or not the reading reaches the broker: the total stays true.
    energyJoules_ += intervalEnergyJoules(reading);
    // The oldest gives way even when it is in flight: its acknowledgement then finds nothing.
    if (queue_.size() == queue_.capacity() && !inFlight_.empty()) inFlight_.pop_front();
    noteOverflow(!queue_.push({reading, energyJoules_}));
    sendWaiting();
}

void DeliveryEngine::sendWaiting() {
    while (sending() && inFlight_.size() < kSendWindow && inFlight_.size() < queue_.size()) {
        const auto id = link_.publish({readingTopic_, readingPayload(queue_.at(inFlight_.size()), settings_.logStamp)});
        if (!id) return;
        inFlight_.push_back({*id, false});
    }
}

void DeliveryEngine::handle(const LinkEvent& event, Clock::time_point now) {
    std::visit(Overloaded{[&](const Connected&) { onConnected(); },
                          [&](const Acknowledged& ack) { onAcknowledged(ack.messageId); },
                          [&](const Failure& failure) { onFailure(failure, now); }},
               event);
    moveTheEndOn(now);
}

void DeliveryEngine::onConnected() {
    if (state_ != State::Connecting) return;
    state_ = State::Connected;
    lastFailure_.reset();
    if (std::exchange(awayTold_, false)) notices_.push_back({Notice::Kind::Back, queue_.size()});
    // Their acknowledgements find nothing in flight; a connection that cannot take them fails.
    for (const Message& announcement : settings_.announcements) link_.publish(announcement);
    statusInFlight_ = link_.publish({statusTopic_, std::string(kOnline), true});
    sendWaiting();
}

void DeliveryEngine::onAcknowledged(int messageId) {
    // The session works: the next outage starts its back-off afresh.
    delay_ = kReconnectDelayFirst;
    if (statusInFlight_ == messageId) {
        statusInFlight_.reset();
        return;
    }
    const auto found = std::find_if(inFlight_.begin(), inFlight_.end(),
                                    [&](const InFlight& sent) { return sent.messageId == messageId; });
    if (found == inFlight_.end()) return;
    found->acknowledged = true;
    while (!inFlight_.empty() && inFlight_.front().acknowledged) {
        inFlight_.pop_front();
        queue_.pop();
    }
    sendWaiting();
}

void DeliveryEngine::onFailure(const Failure& failure, Clock::time_point now) {
    if (state_ == State::Finished) return;
    if (state_ == State::Connected) awaySince_ = now;
    inFlight_.clear();
    statusInFlight_.reset();
    lastFailure_ = failure;
    // The end does not wait for another connection.
    if (ending()) {
        end();
        return;
    }
    state_ = State::Waiting;
    nextAttempt_ = now + delay_;
    delay_ = std::min<Clock::duration>(delay_ * 2, kReconnectDelayMax);
    sayAwayIfDue(now);
}

void DeliveryEngine::tick(Clock::time_point now) {
    if (state_ == State::Waiting && now >= nextAttempt_) attempt();
    sayAwayIfDue(now);
    moveTheEndOn(now);
}

void DeliveryEngine::sayAwayIfDue(Clock::time_point now) {
    if (awayTold_ || (state_ != State::Waiting && state_ != State::Connecting)) return;
    // A certificate or a password that failed will fail again: no patience for those.
    const bool willFailAgain = lastFailure_ && lastFailure_->kind != FailureKind::Unreachable;
    if (!willFailAgain && now < awaySince_ + kAwayPatience) return;
    awayTold_ = true;
    notices_.push_back({Notice::Kind::Away, queue_.capacity(), lastFailure_.value_or(Failure{})});
}

void DeliveryEngine::noteOverflow(bool dropped) {
    if (dropped == overflowing_) return;
    overflowing_ = dropped;
    if (dropped) {
        droppedBeforeOverflow_ = queue_.dropped() - 1;
        notices_.push_back({Notice::Kind::QueueFull, queue_.capacity()});
    } else {
        notices_.push_back({Notice::Kind::Dropped, queue_.dropped() - droppedBeforeOverflow_});
    }
}

void DeliveryEngine::finish(Clock::time_point now) {
    if (state_ == State::Connected) {
        state_ = State::Draining;
        endBy_ = now + kDrainPatience;
        moveTheEndOn(now);
    } else if (!ending()) {
        if (state_ == State::Connecting) link_.disconnect();
        end();
    }
}

// What waits goes first, then offline as the last word.
void DeliveryEngine::moveTheEndOn(Clock::time_point now) {
    if (state_ == State::Draining && (queue_.empty() || now >= endBy_)) {
        state_ = State::SayingOffline;
        endBy_ = now + kStatusPatience;
        statusInFlight_ = link_.publish({statusTopic_, std::string(kOffline), true});
    }
    if (state_ == State::SayingOffline && (!statusInFlight_ || now >= endBy_)) {
        link_.disconnect();
        end();
    }
}

void DeliveryEngine::end() {
    state_ = State::Finished;
    if (!queue_.empty()) notices_.push_back({Notice::Kind::Unsent, queue_.size()});
}

std::optional<Clock::time_point> DeliveryEngine::nextDeadline() const {
    std::optional<Clock::time_point> next;
    const auto consider = [&](Clock::time_point when) { next = next ? std::min(*next, when) : when; };
    if (state_ == State::Waiting) consider(nextAttempt_);
    if (!awayTold_ && (state_ == State::Waiting || state_ == State::Connecting)) consider(awaySince_ + kAwayPatience);
    if (state_ == State::Draining || state_ == State::SayingOffline) consider(endBy_);
    return next;
}

bool DeliveryEngine::awaitingAnswers() const {
    switch (state_) {
        case State::Connecting:
        case State::Draining:
        case State::SayingOffline: return true;
        case State::Connected: return inFlight_.size() == kSendWindow && queue_.size() > kSendWindow;
        case State::Waiting:
        case State::Finished: return false;
    }
    return false;
}

std::vector<Notice> DeliveryEngine::takeNotices() { return std::exchange(notices_, {}); }

}  // namespace vemtora::mqtt
