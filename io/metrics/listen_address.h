// Where --metrics listens: [ADDRESS:]PORT with a numeric address, read by the C library.
#pragma once

#include <sys/socket.h>

#include <optional>
#include <string>
#include <string_view>

namespace vemtora::metrics {

// Only this machine may scrape unless the user says otherwise.
inline constexpr std::string_view kDefaultListenHost = "127.0.0.1";

struct ListenAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
    std::string text;  // "127.0.0.1:9100" or "[::1]:9100", for messages
};

struct ParsedListenAddress {
    std::optional<ListenAddress> address;
    std::string error;  // why not, when address is empty
};

// "9100", "0.0.0.0:9100", "[::]:9100", "[fe80::1%eth0]:9100". IPv4 in dotted quads only
// (inet_pton: no "127.1"); IPv6 in brackets, so the port cannot be read as part of it.
ParsedListenAddress parseListenAddress(std::string_view text);

}  // namespace vemtora::metrics
