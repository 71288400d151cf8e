// The broker runs in a process group of its own, so stopping it stops all of it.
#include "tests/mqtt/test_broker.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "io/posix/owned_descriptor.h"

namespace vemtora::testing_support {

namespace {

sockaddr_in localAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool accepts(int port) {
    const posix::OwnedDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = localAddress(port);
    return ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace

int freeLocalPort() {
    const posix::OwnedDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = localAddress(0);
    socklen_t size = sizeof address;
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ADD_FAILURE() << "no free port";
        return 0;
    }
    return ntohs(address.sin_port);
}

TestBroker::TestBroker(const TempFolder& folder, const std::vector<std::string>& configuration, int port)
    : configPath_(folder / "mosquitto.conf"), port_(port > 0 ? port : freeLocalPort()) {
    std::ofstream config(configPath_);
    config << "listener " << port_ << " 127.0.0.1\n";
    // Started as root, the broker would become the user mosquitto, who cannot read the test's
    // private folder; it stays whoever runs the test.
    if (const passwd* user = ::getpwuid(::geteuid())) config << "user " << user->pw_name << "\n";
    for (const std::string& line : configuration) config << line << "\n";
    // Keeps the broker's own lines out of the test's output.
    config << "log_dest none\n";
    config.close();
    EXPECT_TRUE(start()) << "the broker did not start on port " << port_ << ": "
                         << (process_ ? process_->err().rest(secondsFromNow(1)) : "");
}

bool TestBroker::start() {
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/sbin/mosquitto", "-c", configPath_},
                                              [] { ::setpgid(0, 0); });
    const auto deadline = secondsFromNow(5);
    while (Clock::now() < deadline) {
        if (accepts(port_)) return true;
        if (process_->waitForExit(Clock::now() + 20ms)) break;
    }
    return false;
}

void TestBroker::stop() {
    if (!process_) return;
    ::kill(-process_->pid(), SIGTERM);
    if (!process_->waitForExit(secondsFromNow(5))) {
        ::kill(-process_->pid(), SIGKILL);
        process_->waitForExit(secondsFromNow(5));
    }
    process_.reset();
}

TestSubscriber::TestSubscriber(int port, const std::string& topic, const SubscriberOptions& options) : topic_(topic) {
    mosquitto_lib_init();
    const std::string& id = options.clientId;
    client_ = mosquitto_new(id.empty() ? nullptr : id.c_str(), id.empty(), this);
    if (client_ == nullptr) {
        ADD_FAILURE() << "no MQTT client";
        return;
    }
    mosquitto_connect_callback_set(client_, onConnect);
    mosquitto_message_callback_set(client_, onMessage);
    mosquitto_reconnect_delay_set(client_, 1, 1, false);
    if (!options.caFile.empty()) {
        EXPECT_EQ(mosquitto_tls_set(client_, options.caFile.c_str(), nullptr, nullptr, nullptr, nullptr),
                  MOSQ_ERR_SUCCESS);
    }
    if (!options.user.empty()) {
        EXPECT_EQ(mosquitto_username_pw_set(client_, options.user.c_str(), options.password.c_str()), MOSQ_ERR_SUCCESS);
    }
    EXPECT_EQ(mosquitto_connect(client_, "127.0.0.1", port, 30), MOSQ_ERR_SUCCESS);
    EXPECT_EQ(mosquitto_loop_start(client_), MOSQ_ERR_SUCCESS);
}

TestSubscriber::~TestSubscriber() {
    if (client_ == nullptr) return;
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, true);
    mosquitto_destroy(client_);
}

void TestSubscriber::onConnect(struct mosquitto* client, void* self, int result) {
    if (result == 0) mosquitto_subscribe(client, nullptr, static_cast<TestSubscriber*>(self)->topic_.c_str(), 1);
}

void TestSubscriber::onMessage(struct mosquitto*, void* self, const struct mosquitto_message* message) {
    auto& subscriber = *static_cast<TestSubscriber*>(self);
    std::lock_guard lock(subscriber.mutex_);
    subscriber.messages_.push_back(
        {message->topic,
         std::string(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen)),
         message->retain});
    subscriber.arrived_.notify_all();
}

bool TestSubscriber::waitUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_until(lock, deadline, done);
}

std::vector<ReceivedMessage> TestSubscriber::waitFor(const std::string& topic, std::size_t count,
                                                     Clock::time_point deadline) {
    waitUntil(
        [&] {
            return static_cast<std::size_t>(
                       std::count_if(messages_.begin(), messages_.end(),
                                     [&](const ReceivedMessage& m) { return m.topic == topic; })) >= count;
        },
        deadline);
    std::lock_guard lock(mutex_);
    return messages_;
}

bool TestSubscriber::waitForLast(const std::string& topic, const std::string& payload, Clock::time_point deadline) {
    return waitUntil(
        [&] {
            const auto last = std::find_if(messages_.rbegin(), messages_.rend(),
                                           [&](const ReceivedMessage& m) { return m.topic == topic; });
            return last != messages_.rend() && last->payload == payload;
        },
        deadline);
}

std::vector<std::string> TestSubscriber::payloads(const std::string& topic) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> found;
    for (const ReceivedMessage& message : messages_) {
        if (message.topic == topic) found.push_back(message.payload);
    }
    return found;
}

}  // namespace vemtora::testing_support
