// The broker connection through libmosquitto, driven by its owner's loop rather than a thread of
// libmosquitto's own: a client of its own for every attempt, so nothing of a broken connection
// lingers in the library, and the name look-up in a helper thread that nobody waits for.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "io/mqtt/broker_link.h"
#include "io/mqtt/publisher_settings.h"
#include "io/posix/owned_descriptor.h"

struct mosquitto;

namespace vemtora::mqtt {

// Within it the broker hears from the client, or drops it and publishes its will.
inline constexpr int kKeepAliveSeconds = 30;
// How often service(true) is due while a connection is open: pings go out and silence is seen.
inline constexpr std::chrono::seconds kHousekeepingPeriod{5};

class MosquittoLink final : public BrokerLink {
public:
    explicit MosquittoLink(const PublisherSettings& settings);
    // An attempt still looking the name up is left to finish alone: its client disconnects
    // and goes when the look-up returns.
    ~MosquittoLink() override;

    MosquittoLink(const MosquittoLink&) = delete;
    MosquittoLink& operator=(const MosquittoLink&) = delete;

    void connect(const Message& will) override;
    std::optional<int> publish(const Message& message) override;
    void disconnect() override;

    // Readable once a look-up has ended; service() takes its outcome.
    int lookupDoneFd() const { return lookupDone_.get(); }
    // The connection's socket, or -1; `connection` tells one socket from the next with the same
    // number.
    int socket() const;
    std::uint64_t connection() const { return connections_; }
    bool wantsWrite() const;

    // Takes a finished look-up, reads what arrived and writes what waits; with housekeeping,
    // also pings and notices silence.
    void service(bool housekeeping);
    // What service() and the calls above found, oldest first.
    std::vector<LinkEvent> takeEvents();
    bool hasEvents() const { return !events_.empty(); }

private:
    struct Session;

    // In the detached thread.
    static void lookUp(const std::shared_ptr<Session>& session);
    static void onConnect(struct mosquitto* client, void* session, int result);
    static void onDisconnect(struct mosquitto* client, void* session, int result);
    static void onPublish(struct mosquitto* client, void* session, int messageId);
    static void onLog(struct mosquitto* client, void* session, int level, const char* text);

    void takeFinishedLookup();
    // After a call into the client: its events, and its end if it ended.
    void collect(int result, int error);
    void endSession(const Failure& failure);

    const PublisherSettings& settings_;
    posix::OwnedDescriptor lookupDone_;
    std::shared_ptr<Session> session_;
    bool lookingUp_ = false;  // session_ belongs to the look-up thread until it hands it over
    std::uint64_t connections_ = 0;
    std::vector<LinkEvent> events_;
};

}  // namespace vemtora::mqtt
