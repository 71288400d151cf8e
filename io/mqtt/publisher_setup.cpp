// Said at the start, once: a broker password or CA file that is not there will not appear.
#include "io/mqtt/publisher_setup.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <variant>

namespace vemtora::mqtt {

namespace {

PublisherSetup usage(std::string error) { return {std::nullopt, std::move(error), true}; }
PublisherSetup failure(std::string error) { return {std::nullopt, std::move(error), false}; }

// Longer than any password a broker takes; a file this long is the wrong file.
constexpr std::size_t kMaxPasswordLength = 4096;

}  // namespace

PublisherSetup setUpPublisher(const MqttOptions& options, LogTimeStamp logStamp, const char* password) {
    if (!options.url) {
        if (options.caFile) return usage("--mqtt-ca needs --mqtt");
        if (options.passwordFile) return usage("--mqtt-password-file needs --mqtt");
        return {};
    }
    auto parsed = parseBrokerUrl(*options.url);
    if (auto* error = std::get_if<std::string>(&parsed)) return usage(std::move(*error));
    PublisherSettings settings;
    settings.url = std::get<BrokerUrl>(std::move(parsed));
    settings.logStamp = logStamp;

    if (options.caFile) {
        if (!settings.url.tls) return usage("--mqtt-ca needs an mqtts:// URL");
        if (!std::ifstream(*options.caFile)) {
            return failure("cannot read the MQTT CA file " + *options.caFile + ": " + std::strerror(errno));
        }
        settings.caFile = options.caFile;
    }
    if (options.passwordFile) {
        std::ifstream file(*options.passwordFile);
        if (!file) return failure("cannot read the MQTT password file " + *options.passwordFile + ": " + std::strerror(errno));
        std::string line;
        std::getline(file, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        settings.password = std::move(line);
    } else if (password != nullptr) {
        settings.password = std::string(password);
    }
    if (settings.password) {
        if (settings.url.user.empty()) return usage("a broker password needs a user: mqtt://user@host/...");
        if (settings.password->size() > kMaxPasswordLength) return failure("the MQTT password is too long");
    }
    return {std::move(settings), {}, false};
}

}  // namespace vemtora::mqtt
