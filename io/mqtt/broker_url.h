// Where --mqtt publishes: mqtt[s]://[user@]host[:port]/topic/prefix, read with uriparser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace vemtora::mqtt {

inline constexpr std::uint16_t kPlainPort = 1883;
inline constexpr std::uint16_t kTlsPort = 8883;

struct BrokerUrl {
    bool tls = false;
    std::string user;  // empty: anonymous
    std::string host;  // without the brackets of an IPv6 literal
    std::uint16_t port = kPlainPort;
    std::string topicPrefix;  // no leading or trailing slash, no wildcards
};

struct UrlProblem {
    std::string sentence;        // no program or option name
    bool passwordInUrl = false;  // the caller says where a password goes instead
};

// Why a topic prefix cannot be published under, to follow "the topic prefix"; empty when it can.
std::string topicPrefixProblem(const std::string& prefix);

// The URL, or why it is refused.
std::variant<BrokerUrl, UrlProblem> parseBrokerUrl(std::string_view text);

// The URL as it may be shown: a password in it replaced by "***".
std::string redactedUrl(std::string_view text);

}  // namespace vemtora::mqtt
