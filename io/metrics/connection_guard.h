// Which of the metrics server's connections to close, so that slow or hoarding clients cannot
// lock a scraper out: a request must be whole soon after its connection opened (or after the
// last answer on it), and a connection past the per-address or total limit takes the slot of
// the oldest rather than being turned away.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vemtora::metrics {

class ConnectionGuard {
public:
    using Id = std::uintptr_t;
    using Clock = std::chrono::steady_clock;

    ConnectionGuard(std::size_t perAddress, std::size_t total, Clock::duration deadline);

    // A connection from `address` opened; returns those to close to make room for it.
    std::vector<Id> opened(Id id, std::string address, Clock::time_point now);
    // A request on it was answered: its time starts again.
    void answered(Id id, Clock::time_point now);
    void closed(Id id);
    // Those whose time is up, each returned once.
    std::vector<Id> expired(Clock::time_point now);
    // When the next one's time is up.
    std::optional<Clock::time_point> nextExpiry() const;

private:
    struct Connection {
        Id id;
        std::string address;
        Clock::time_point since;
        bool closing = false;  // told to close; counts no more
    };
    // The oldest open one, from `address` or from anywhere when empty; nullptr when none.
    Connection* oldest(const std::string* address);

    std::size_t perAddress_;
    std::size_t total_;
    Clock::duration deadline_;
    std::vector<Connection> connections_;  // a few dozen at most
};

}  // namespace vemtora::metrics
