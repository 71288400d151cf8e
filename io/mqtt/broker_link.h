// A connection to the broker as the delivery rules drive it. The libmosquitto adapter is one; the
// tests' scripted broker is another.
#pragma once

#include <optional>
#include <string>
#include <variant>

namespace vemtora::mqtt {

// Always QoS 1.
struct Message {
    std::string topic;
    std::string payload;
    bool retained = false;
};

// Decides what the user is told, not whether the publisher tries again: it always does.
enum class FailureKind {
    Unreachable,  // no name, no route, nobody listening, no answer, a connection lost
    Tls,          // the handshake failed: a certificate of another CA, or for another host
    Refused,      // the broker's CONNACK said no: a wrong user or password
};

struct Failure {
    FailureKind kind = FailureKind::Unreachable;
    std::string reason;  // the library's, OpenSSL's or the broker's words; may be empty
};

struct Connected {};  // the broker accepted the connection
struct Acknowledged {
    int messageId = 0;
};
using LinkEvent = std::variant<Connected, Acknowledged, Failure>;

class BrokerLink {
public:
    virtual ~BrokerLink() = default;
    // One attempt, ended by exactly one Connected or Failure; a connection then ends with one
    // Failure or disconnect(). The broker publishes `will` for a connection that breaks.
    virtual void connect(const Message& will) = 0;
    // The message's id for its Acknowledged; nullopt when the connection cannot take it (a
    // Failure follows).
    virtual std::optional<int> publish(const Message& message) = 0;
    // Ends the connection or the attempt with a DISCONNECT, so the broker forgets the will;
    // no event follows.
    virtual void disconnect() = 0;
};

}  // namespace vemtora::mqtt
