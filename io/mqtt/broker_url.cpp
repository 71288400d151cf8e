// The URL's parts come from uriparser; what is left is checking them for MQTT.
#include "io/mqtt/broker_url.h"

#include <mosquitto.h>
#include <uriparser/Uri.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <vector>

namespace vemtora::mqtt {

namespace {

std::string_view rangeText(const UriTextRangeA& range) {
    if (range.first == nullptr || range.afterLast == nullptr) return {};
    return {range.first, static_cast<std::size_t>(range.afterLast - range.first)};
}

std::string unescaped(std::string_view text) {
    std::vector<char> chars(text.begin(), text.end());
    chars.push_back('\0');
    // Plus stays a plus (a path, not a form); line breaks stay as written.
    const char* end = uriUnescapeInPlaceExA(chars.data(), URI_FALSE, URI_BR_DONT_TOUCH);
    return {chars.data(), static_cast<std::size_t>(end - chars.data())};
}

std::string lowered(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return lower;
}

constexpr std::size_t kMaxUrlLength = 1024;

struct UriDeleter {
    void operator()(UriUriA* uri) const {
        uriFreeUriMembersA(uri);
        delete uri;
    }
};

}  // namespace

std::string redactedUrl(std::string_view text) {
    std::string shown(text);
    const std::size_t authority = shown.find("://");
    if (authority == std::string::npos) return shown;
    const std::size_t end = std::min(shown.find_first_of("/?#", authority + 3), shown.size());
    const std::size_t at = shown.rfind('@', end);
    if (at == std::string::npos || at < authority + 3) return shown;
    const std::size_t colon = shown.find(':', authority + 3);
    if (colon == std::string::npos || colon > at) return shown;
    return shown.replace(colon + 1, at - colon - 1, "***");
}

std::string topicPrefixProblem(const std::string& prefix) {
    if (prefix.empty()) return "is empty";
    if (prefix.front() == '/' || prefix.back() == '/' || prefix.find("//") != std::string::npos) {
        return "has an empty level (//)";
    }
    // Brokers keep $ topics for themselves and silently deny every publish to them.
    if (prefix.front() == '$') return "may not start with $";
    if (prefix.find('\0') != std::string::npos ||
        mosquitto_pub_topic_check2(prefix.c_str(), prefix.size()) != MOSQ_ERR_SUCCESS ||
        mosquitto_validate_utf8(prefix.c_str(), static_cast<int>(prefix.size())) != MOSQ_ERR_SUCCESS) {
        return "may not hold + or # and must be UTF-8";
    }
    return {};
}

std::variant<BrokerUrl, UrlProblem> parseBrokerUrl(std::string_view text) {
    const std::string form = "write mqtt://[user@]host[:port]/topic/prefix or mqtts://...";
    // Far beyond any host and prefix; keeps every length below an int for the checks.
    if (text.size() > kMaxUrlLength) return UrlProblem{"longer than " + std::to_string(kMaxUrlLength) + " characters"};
    std::unique_ptr<UriUriA, UriDeleter> uri(new UriUriA{});
    const char* error = nullptr;
    if (uriParseSingleUriExA(uri.get(), text.data(), text.data() + text.size(), &error) != URI_SUCCESS) {
        return UrlProblem{"not a URL; " + form};
    }
    BrokerUrl url;
    const std::string scheme = lowered(rangeText(uri->scheme));
    if (scheme != "mqtt" && scheme != "mqtts") return UrlProblem{"the scheme must be mqtt or mqtts; " + form};
    url.tls = scheme == "mqtts";
    url.port = url.tls ? kTlsPort : kPlainPort;

    const std::string_view userInfo = rangeText(uri->userInfo);
    if (userInfo.find(':') != std::string_view::npos) {
        return UrlProblem{"no password in the URL, where ps and the journal show it", true};
    }
    url.user = unescaped(userInfo);
    if (uri->userInfo.first != nullptr && url.user.empty()) return UrlProblem{"the user before @ is empty"};

    url.host = unescaped(rangeText(uri->hostText));
    if (url.host.empty()) return UrlProblem{"no broker host; " + form};

    const std::string_view portText = rangeText(uri->portText);
    if (uri->portText.first != nullptr) {
        unsigned port = 0;
        const auto read = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (portText.empty() || read.ec != std::errc{} || read.ptr != portText.data() + portText.size() || port == 0 ||
            port > 65535) {
            return UrlProblem{"the port must be a number from 1 to 65535"};
        }
        url.port = static_cast<std::uint16_t>(port);
    }

    if (uri->query.first != nullptr || uri->fragment.first != nullptr) {
        return UrlProblem{"no ?query or #fragment; the topic prefix is the path"};
    }
    std::vector<std::string> levels;
    for (const UriPathSegmentA* segment = uri->pathHead; segment != nullptr; segment = segment->next) {
        levels.push_back(unescaped(rangeText(segment->text)));
    }
    // One trailing slash is a habit, not an empty topic level.
    if (!levels.empty() && levels.back().empty()) levels.pop_back();
    if (levels.empty()) return UrlProblem{"no topic prefix after the host; " + form};
    for (std::size_t i = 0; i < levels.size(); ++i) url.topicPrefix += (i > 0 ? "/" : "") + levels[i];
    // Checked once joined: an escaped slash (%2F) makes levels as a plain one does.
    if (std::string problem = topicPrefixProblem(url.topicPrefix); !problem.empty()) {
        return UrlProblem{"the topic prefix " + problem};
    }
    if (mosquitto_validate_utf8(url.user.c_str(), static_cast<int>(url.user.size())) != MOSQ_ERR_SUCCESS ||
        url.user.find('\0') != std::string::npos) {
        return UrlProblem{"the user must be UTF-8"};
    }
    return url;
}

}  // namespace vemtora::mqtt
