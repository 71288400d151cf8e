#include "io/metrics/listen_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace vemtora::metrics {

namespace {

std::optional<std::uint16_t> parsePort(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::uint32_t port = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), port);
    if (result.ec != std::errc{} || port == 0 || port > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

ParsedListenAddress failure(std::string error) { return {std::nullopt, std::move(error)}; }

std::optional<ListenAddress> ipv4(const std::string& host, std::uint16_t port) {
    ListenAddress result;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) return std::nullopt;
    std::memcpy(&result.address, &address, sizeof address);
    result.length = sizeof address;
    result.text = host + ":" + std::to_string(port);
    return result;
}

// getaddrinfo rather than inet_pton: it also takes a scope ("%eth0") for link-local addresses.
std::optional<ListenAddress> ipv6(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    ListenAddress result;
    const bool fits = found->ai_addrlen <= sizeof result.address;
    if (fits) {
        std::memcpy(&result.address, found->ai_addr, found->ai_addrlen);
        result.length = found->ai_addrlen;
        result.text = "[" + host + "]:" + std::to_string(port);
    }
    ::freeaddrinfo(found);
    if (!fits) return std::nullopt;
    return result;
}

}  // namespace

ParsedListenAddress parseListenAddress(std::string_view text) {
    std::string_view host = kDefaultListenHost;
    std::string_view portText = text;
    const bool bracketed = text.starts_with('[');
    if (bracketed) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return failure("the IPv6 address has no closing bracket");
        if (text.substr(close + 1, 1) != ":") return failure("a port must follow the address, as in [::1]:9100");
        host = text.substr(1, close - 1);
        portText = text.substr(close + 2);
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) {
            return failure("write an IPv6 address in brackets, as in [::1]:9100");
        }
    }
    const auto port = parsePort(portText);
    if (!port) return failure("the port must be a number from 1 to 65535");
    if (host.empty())
        return failure("no address before the colon; leave out the colon for " + std::string(kDefaultListenHost));
    const std::string hostText(host);
    auto address = bracketed ? ipv6(hostText, *port) : ipv4(hostText, *port);
    if (!address) {
        return failure(hostText + (bracketed ? " is not an IPv6 address"
                                             : " is not an IPv4 address such as 127.0.0.1 or 0.0.0.0"));
    }
    return {std::move(address), {}};
}

}  // namespace vemtora::metrics
