// The rules of the metrics server's connection slots.
#include "io/metrics/connection_guard.h"

#include <algorithm>

namespace vemtora::metrics {

ConnectionGuard::ConnectionGuard(std::size_t perAddress, std::size_t total, Clock::duration deadline)
    : perAddress_(perAddress), total_(total), deadline_(deadline) {}

ConnectionGuard::Connection* ConnectionGuard::oldest(const std::string* address) {
    Connection* found = nullptr;
    for (Connection& c : connections_) {
        if (c.closing || (address != nullptr && c.address != *address)) continue;
        if (found == nullptr || c.since < found->since) found = &c;
    }
    return found;
}

std::vector<ConnectionGuard::Id> ConnectionGuard::opened(Id id, std::string address, Clock::time_point now) {
    std::vector<Id> victims;
    const auto count = [&](const std::string* from) {
        return static_cast<std::size_t>(
            std::count_if(connections_.begin(), connections_.end(),
                          [&](const Connection& c) { return !c.closing && (from == nullptr || c.address == *from); }));
    };
    const auto makeRoom = [&](const std::string* from, std::size_t limit) {
        while (count(from) >= limit) {
            Connection* victim = oldest(from);
            if (victim == nullptr) break;
            victim->closing = true;
            victims.push_back(victim->id);
        }
    };
    makeRoom(&address, perAddress_);
    makeRoom(nullptr, total_);
    connections_.push_back({id, std::move(address), now});
    return victims;
}

void ConnectionGuard::answered(Id id, Clock::time_point now) {
    for (Connection& c : connections_) {
        if (c.id == id) c.since = now;
    }
}

void ConnectionGuard::closed(Id id) {
    std::erase_if(connections_, [id](const Connection& c) { return c.id == id; });
}

std::vector<ConnectionGuard::Id> ConnectionGuard::expired(Clock::time_point now) {
    std::vector<Id> due;
    for (Connection& c : connections_) {
        if (c.closing || now - c.since < deadline_) continue;
        c.closing = true;
        due.push_back(c.id);
    }
    return due;
}

std::optional<ConnectionGuard::Clock::time_point> ConnectionGuard::nextExpiry() const {
    std::optional<Clock::time_point> next;
    for (const Connection& c : connections_) {
        if (!c.closing && (!next || c.since + deadline_ < *next)) next = c.since + deadline_;
    }
    return next;
}

}  // namespace vemtora::metrics
