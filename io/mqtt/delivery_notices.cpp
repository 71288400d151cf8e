// The sentences name the broker as host:port and never the URL, which may carry a user name the
// journal need not show twice, and never a password, which no reason can hold.
#include "io/mqtt/delivery_notices.h"

#include "io/mqtt/delivery_engine.h"

namespace vemtora::mqtt {

std::string oneLineReason(std::string_view reason, std::string_view otherwise) {
    std::string line;
    for (const char c : reason) {
        // A line feed from a library would split the message; other control bytes would garble it.
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        if (control || c == ' ') {
            if (!line.empty() && line.back() != ' ') line += ' ';
        } else {
            line += c;
        }
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '.')) line.pop_back();
    // strerror(0) says "Success", which explains no failure.
    if (line.empty() || line == "Success") return std::string(otherwise);
    return line;
}

std::string sentence(const Notice& notice, std::string_view broker) {
    const std::string name(broker);
    const std::string count = std::to_string(notice.count);
    const std::string retrying =
        "goes on, trying again at most every " + std::to_string(kReconnectDelayMax.count()) + " s";
    switch (notice.kind) {
        case Notice::Kind::Away: {
            const std::string why = oneLineReason(notice.failure.reason, "no answer");
            switch (notice.failure.kind) {
                case FailureKind::Tls: {
                    // Only a certificate that failed makes the question about it a fair one.
                    const bool certificate =
                        why.find("certificate") != std::string::npos || why.find("verif") != std::string::npos;
                    return "TLS with the MQTT broker " + name + " failed (" + why + "); " +
                           (certificate
                                ? "is the broker's certificate for this host and signed by the CA file's CA or one the "
                                  "system trusts? Logging "
                                : "logging ") +
                           retrying;
                }
                case FailureKind::Refused:
                    return "the MQTT broker " + name + " refused the connection: " + why + "; logging " + retrying;
                case FailureKind::Unreachable:
                    return "cannot reach the MQTT broker " + name + " (" + why + "); logging goes on and up to " +
                           count + " readings wait for it";
            }
            break;
        }
        case Notice::Kind::Back: return "reached the MQTT broker " + name + "; sending " + count + " waiting readings";
        case Notice::Kind::QueueFull:
            return "the queue for the MQTT broker is full (" + count + " readings): the oldest give way";
        case Notice::Kind::Dropped: return count + " readings were dropped before reaching the MQTT broker";
        case Notice::Kind::Unsent: return count + " readings were not sent to the MQTT broker " + name + " at the end";
    }
    return {};
}

}  // namespace vemtora::mqtt
