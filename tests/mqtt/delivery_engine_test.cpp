// The delivery rules against a scripted broker: the test plays the broker's packets and events
// and checks what the engine sends back, without a network or a clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/mqtt/delivery_engine.h"

namespace vemtora::mqtt {
namespace {

using namespace std::chrono_literals;

// Records what the engine asks of the connection; message ids count from 1.
struct ScriptedLink final : BrokerLink {
    void connect(const Message& will) override {
        ++attempts;
        lastWill = will;
    }
    std::optional<int> publish(const Message& message) override {
        if (!open) return std::nullopt;
        sent.push_back(message);
        return static_cast<int>(sent.size());
    }
    void disconnect() override { ++disconnects; }

    int attempts = 0;
    int disconnects = 0;
    bool open = true;
    Message lastWill;
    std::vector<Message> sent;
};

const Clock::time_point t0{};

IntervalReading readingAt(int second) {
    return {LocalTime{9, 0, static_cast<std::uint16_t>(second), 0}, 1.0, 2.0, 3.0, 1, 500};
}

// A reading as its second, a status as its word ("!" when not retained).
std::vector<std::string> shown(const std::vector<Message>& messages, std::size_t from = 0) {
    std::vector<std::string> words;
    for (std::size_t i = from; i < messages.size(); ++i) {
        const Message& m = messages[i];
        if (!m.topic.starts_with("lab/")) {
            words.push_back("@" + m.topic + (m.retained ? "" : "!"));
        } else if (m.topic == "lab/status") {
            words.push_back((m.retained ? "" : "!") + m.payload);
        } else {
            EXPECT_EQ(m.topic, "lab/reading");
            EXPECT_FALSE(m.retained);
            words.push_back(std::to_string(std::stoi(m.payload.substr(m.payload.find("T09:00:") + 7, 2))));
        }
    }
    return words;
}

std::vector<std::string> seconds(int from, int to, std::vector<std::string> before = {}) {
    for (int s = from; s <= to; ++s) before.push_back(std::to_string(s));
    return before;
}

struct Delivery {
    explicit Delivery(std::size_t capacity = 100, std::vector<Message> announcements = {})
        : engine({"lab", LogTimeStamp::TimeOfDay, capacity, 0.0, std::move(announcements)}, link, t0) {}
    void take(int from, int to, Clock::time_point now = t0) {
        for (int s = from; s <= to; ++s) engine.takeReading(readingAt(s), now);
    }
    void ack(int messageId, Clock::time_point now = t0) { engine.handle(Acknowledged{messageId}, now); }

    ScriptedLink link;
    DeliveryEngine engine;
};

TEST(MqttDelivery, ConnectsWithTheWillThenSaysOnlineAndSendsInOrderWithinTheWindow) {
    Delivery d;
    EXPECT_EQ(d.link.attempts, 1);
    EXPECT_EQ(shown({d.link.lastWill}), std::vector<std::string>{"offline"});
    d.take(0, 19);
    EXPECT_TRUE(d.link.sent.empty()) << "nothing before the broker accepts";
    EXPECT_TRUE(d.engine.awaitingAnswers());
    d.engine.handle(Connected{}, t0);
    EXPECT_EQ(shown(d.link.sent), seconds(0, 15, {"online"}));
    EXPECT_TRUE(d.engine.awaitingAnswers()) << "a full window with more behind it";
    d.ack(3);  // out of order: reading 0 still holds the window
    d.ack(1);  // the status: not counted in the window
    d.ack(99);
    EXPECT_EQ(d.link.sent.size(), 17u);
    d.ack(2);  // readings 0 and 1 are done: two more go
    EXPECT_EQ(shown(d.link.sent, 17), seconds(16, 17));
    for (int id = 4; id <= 19; ++id) d.ack(id);
    EXPECT_EQ(shown(d.link.sent, 19), seconds(18, 19));
    EXPECT_FALSE(d.engine.awaitingAnswers()) << "the rest can wait for the next reading";
    EXPECT_EQ(d.link.attempts, 1);
}

TEST(MqttDelivery, WhatWasInFlightGoesAgainFirstAfterAReconnection) {
    Delivery d;
    d.engine.handle(Connected{}, t0);
    d.take(0, 4);
    d.ack(2);
    d.ack(3);  // readings 0 and 1 arrived; 2 to 4 did not
    d.engine.handle(Failure{FailureKind::Unreachable, "Connection reset by peer"}, t0);
    d.take(5, 5);
    d.link.open = false;
    d.engine.tick(t0 + 1s);
    EXPECT_EQ(d.link.attempts, 2);
    d.engine.handle(Connected{}, t0 + 1s);  // the connection goes at once: nothing taken
    d.link.open = true;
    d.engine.handle(Failure{}, t0 + 1s);
    d.engine.tick(t0 + 3s);
    d.engine.handle(Connected{}, t0 + 3s);
    EXPECT_EQ(shown(d.link.sent, 6), seconds(2, 5, {"online"}));
}

TEST(MqttDelivery, AnnouncementsGoRetainedBeforeOnlineAfterEveryConnect) {
    Delivery d(100, {{"ha/sensor/x/config", "{}", true}});
    d.take(0, 0);
    d.engine.handle(Connected{}, t0);
    d.engine.handle(Failure{}, t0);
    d.engine.tick(t0 + 1s);
    d.engine.handle(Connected{}, t0 + 1s);
    const std::vector<std::string> once{"@ha/sensor/x/config", "online", "0"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(shown(d.link.sent), twice);
}

TEST(MqttDelivery, EveryFailureLeadsToOneAttemptAtATimeWithCappedBackOff) {
    for (const FailureKind kind : {FailureKind::Unreachable, FailureKind::Tls, FailureKind::Refused}) {
        for (const bool wasConnected : {false, true}) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(kind) << (wasConnected ? " connected" : " connecting"));
            Delivery d;
            if (wasConnected) d.engine.handle(Connected{}, t0);
            Clock::time_point now = t0;
            int attempts = 1;
            for (const auto delay : {1s, 2s, 4s, 8s, 16s, 30s, 30s}) {
                d.engine.handle(Failure{kind, "why"}, now);
                EXPECT_EQ(d.engine.nextDeadline(), now + delay);
                d.engine.tick(now + delay - 1ms);
                EXPECT_EQ(d.link.attempts, attempts);
                now += delay;
                d.engine.tick(now);
                d.engine.tick(now + 1h);  // a look-up that hangs: still one attempt
                EXPECT_EQ(d.link.attempts, ++attempts);
            }
            // A connection that carried an acknowledgement starts the back-off afresh.
            d.engine.handle(Connected{}, now);
            d.ack(1, now);
            d.engine.handle(Failure{kind, "why"}, now);
            EXPECT_EQ(d.engine.nextDeadline(), now + 1s);
        }
    }
}

TEST(MqttDelivery, AnOutageIsToldOnceWithItsLatestReason) {
    const Failure refused{FailureKind::Unreachable, "Connection refused"};
    const Failure certificate{FailureKind::Tls, "certificate verify failed"};
    const Failure password{FailureKind::Refused, "not authorised"};
    const struct {
        const char* name;
        std::vector<Failure> failures;  // one a second from t0
        Clock::duration toldAfter;      // from the last failure
        Failure told;
    } rows[] = {
        {"a look-up that hangs", {}, 2s, Failure{}},
        {"nobody listening", {Failure{FailureKind::Unreachable, "the connection was closed"}, refused}, 1s, refused},
        {"a certificate fails again", {refused, certificate}, 0s, certificate},
        {"a password fails again", {password}, 0s, password},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Delivery d;
        Clock::time_point now = t0;
        for (std::size_t i = 0; i < row.failures.size(); ++i) {
            now = t0 + std::chrono::seconds(i);
            if (i > 0) d.engine.tick(now);
            d.engine.handle(row.failures[i], now);
        }
        d.engine.tick(now + row.toldAfter - 1ms);
        if (row.toldAfter > 0s) {
            EXPECT_TRUE(d.engine.takeNotices().empty());
        }
        d.engine.tick(now + row.toldAfter);
        const std::vector<Notice> told = d.engine.takeNotices();
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].kind, Notice::Kind::Away);
        EXPECT_EQ(told[0].count, 100u);
        EXPECT_EQ(told[0].failure.kind, row.told.kind);
        EXPECT_EQ(told[0].failure.reason, row.told.reason);
        for (int more = 0; more < 3; ++more) {
            now += 40s;
            d.engine.tick(now);
            d.engine.handle(refused, now);
        }
        EXPECT_TRUE(d.engine.takeNotices().empty());
        d.take(0, 6);
        d.engine.tick(now + 40s);
        d.engine.handle(Connected{}, now + 40s);
        const std::vector<Notice> back = d.engine.takeNotices();
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].kind, Notice::Kind::Back);
        EXPECT_EQ(back[0].count, 7u);
    }
    // A restart within the patience goes unmentioned.
    Delivery d;
    d.engine.handle(Connected{}, t0);
    d.engine.handle(Failure{}, t0 + 10s);
    d.engine.tick(t0 + 11s);
    d.engine.handle(Connected{}, t0 + 11s);
    d.engine.tick(t0 + 20s);
    EXPECT_TRUE(d.engine.takeNotices().empty());
}

TEST(MqttDelivery, AFullQueueDropsTheOldestSaysSoOnceAndSendsTheRestInOrder) {
    Delivery d(3);
    d.take(0, 4);
    const std::vector<Notice> full = d.engine.takeNotices();
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].kind, Notice::Kind::QueueFull);
    EXPECT_EQ(full[0].count, 3u);
    d.engine.handle(Connected{}, t0);
    EXPECT_EQ(shown(d.link.sent), seconds(2, 4, {"online"}));
    for (int id = 2; id <= 4; ++id) d.ack(id);
    d.take(5, 5);  // the queue has room again: the run of drops is over
    const std::vector<Notice> dropped = d.engine.takeNotices();
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].kind, Notice::Kind::Dropped);
    EXPECT_EQ(dropped[0].count, 2u);
    // A reading in flight gives way too; its late acknowledgement takes nothing else.
    d.take(6, 8);
    d.ack(5);
    d.ack(6);
    d.engine.handle(Failure{}, t0);
    d.engine.tick(t0 + 1s);
    d.engine.handle(Connected{}, t0 + 1s);
    EXPECT_EQ(shown(d.link.sent, 8), seconds(7, 8, {"online"}));
    // The energy counts every reading taken, those that gave way included: 9 of 1.5 J.
    const std::string& last = d.link.sent.back().payload;
    EXPECT_DOUBLE_EQ(std::stod(last.substr(last.find("\"energy_wh\":") + 12)), 9 * 1.5 / 3600) << last;
}

TEST(MqttDelivery, TheEndSendsWhatWaitsThenOfflineThenDisconnects) {
    const struct {
        const char* name;
        bool connected;
        bool brokerAnswers;
        std::vector<std::string> sent;
        std::uint64_t unsent;
    } rows[] = {
        {"a broker that answers", true, true, {"online", "0", "1", "2", "offline"}, 0},
        {"a silent broker", true, false, {"online", "0", "1", "2", "offline"}, 3},
        {"away", false, false, {}, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Delivery d;
        if (row.connected) d.engine.handle(Connected{}, t0);
        d.take(0, 2);
        d.engine.finish(t0);
        d.take(3, 3);  // too late
        if (row.brokerAnswers) {
            for (int id = 1; id <= 5; ++id) d.ack(id);
        } else {
            d.engine.tick(t0 + kDrainPatience - 1ms);
            EXPECT_EQ(d.link.sent.size(), row.connected ? 4u : 0u) << "offline only after the readings' patience";
            d.engine.tick(t0 + kDrainPatience);
            d.engine.tick(t0 + kDrainPatience + kStatusPatience);
        }
        EXPECT_TRUE(d.engine.finished());
        EXPECT_EQ(shown(d.link.sent), row.sent);
        EXPECT_EQ(d.link.disconnects, 1) << "an attempt under way is ended too";
        const std::vector<Notice> told = d.engine.takeNotices();
        ASSERT_EQ(told.size(), row.unsent > 0 ? 1u : 0u);
        if (row.unsent > 0) {
            EXPECT_EQ(told[0].count, row.unsent);
        }
        d.engine.handle(Failure{}, t0 + 1h);
        d.engine.tick(t0 + 2h);
        EXPECT_EQ(d.link.attempts, 1) << "no attempt after the end";
    }
}

TEST(MqttDelivery, AnOutageIsSaidOnOneLineWithATrueReason) {
    const struct {
        FailureKind kind;
        const char* reason;
        const char* said;  // the sentence from the broker's name on
    } rows[] = {
        {FailureKind::Unreachable, "Success",
         "127.0.0.1:1883 (no answer); logging goes on and up to 9 readings wait for it"},
        {FailureKind::Unreachable, "Connection\nreset.\n",
         "127.0.0.1:1883 (Connection reset); logging goes on and up to 9 readings wait for it"},
        {FailureKind::Tls, "unexpected eof while reading",
         "127.0.0.1:1883 failed (unexpected eof while reading); logging goes on, trying again at most every 30 s"},
        {FailureKind::Tls, "certificate verify failed",
         "127.0.0.1:1883 failed (certificate verify failed); is the broker's certificate for this host and signed by "
         "the CA file's CA or one the system trusts? Logging goes on, trying again at most every 30 s"},
        {FailureKind::Refused, "Connection Refused: not authorised.",
         "127.0.0.1:1883 refused the connection: Connection Refused: not authorised; logging goes on, trying again at "
         "most every 30 s"},
    };
    for (const auto& row : rows) {
        const std::string said = sentence({Notice::Kind::Away, 9, {row.kind, row.reason}}, "127.0.0.1:1883");
        EXPECT_TRUE(said.ends_with(row.said)) << said;
    }
}

}  // namespace
}  // namespace vemtora::mqtt
