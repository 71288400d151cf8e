// A real Mosquitto broker on 127.0.0.1 for the tests, with its own configuration in a temporary
// folder, and a real subscriber made with libmosquitto.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

struct mosquitto;
struct mosquitto_message;

namespace vemtora::testing_support {

// A port nobody listens on at the moment.
int freeLocalPort();

class TestBroker {
public:
    // configuration: lines after the listener; the broker starts at once, on `port` or a free one.
    TestBroker(const TempFolder& folder, const std::vector<std::string>& configuration = {}, int port = 0);
    ~TestBroker() { stop(); }

    int port() const { return port_; }
    bool running() const { return process_ != nullptr; }
    // Started again on the same port with the same configuration; true once it accepts connections.
    bool start();
    // Its whole process group ended: SIGTERM (it saves what it persists), SIGKILL if it lingers.
    void stop();

private:
    std::string configPath_;
    int port_;
    std::unique_ptr<ChildProcess> process_;
};

struct ReceivedMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

struct SubscriberOptions {
    std::string clientId{};  // non-empty for a session the broker keeps while the subscriber is away
    std::string caFile{};    // non-empty: TLS, trusting that CA
    std::string user{};
    std::string password{};
};

class TestSubscriber {
public:
    TestSubscriber(int port, const std::string& topic, const SubscriberOptions& options = {});
    ~TestSubscriber();

    // The messages so far, once `count` of them on `topic` arrived or at the deadline.
    std::vector<ReceivedMessage> waitFor(const std::string& topic, std::size_t count, Clock::time_point deadline);
    // True once the latest message on `topic` says `payload`, false at the deadline.
    bool waitForLast(const std::string& topic, const std::string& payload, Clock::time_point deadline);
    // The payloads on `topic`, in order of arrival.
    std::vector<std::string> payloads(const std::string& topic);

private:
    bool waitUntil(const std::function<bool()>& done, Clock::time_point deadline);
    static void onConnect(struct mosquitto*, void* self, int result);
    static void onMessage(struct mosquitto*, void* self, const struct mosquitto_message* message);

    std::string topic_;
    struct mosquitto* client_ = nullptr;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<ReceivedMessage> messages_;
};

}  // namespace vemtora::testing_support
