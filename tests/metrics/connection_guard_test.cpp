// The metrics server's slot rules, in steps of a fake clock.
#include "io/metrics/connection_guard.h"

#include <gtest/gtest.h>

namespace vemtora::metrics {
namespace {

using namespace std::chrono_literals;
using Ids = std::vector<ConnectionGuard::Id>;

TEST(ConnectionGuard, NewConnectionsTakeTheOldestSlotsAndSlowRequestsEnd) {
    ConnectionGuard guard(2, 3, 5s);
    const ConnectionGuard::Clock::time_point t0;
    EXPECT_EQ(guard.nextExpiry(), std::nullopt);
    EXPECT_EQ(guard.opened(1, "a", t0), Ids{});
    EXPECT_EQ(guard.opened(2, "a", t0 + 1s), Ids{});
    // A third from one address: the oldest of that address gives way, not the newcomer.
    EXPECT_EQ(guard.opened(3, "a", t0 + 2s), Ids{1});
    EXPECT_EQ(guard.opened(4, "b", t0 + 2s), Ids{});
    // Past the total, the oldest anywhere; one told to close no longer counts.
    EXPECT_EQ(guard.opened(5, "c", t0 + 3s), Ids{2});
    guard.closed(1);
    guard.closed(2);
    // An answer starts a connection's time again.
    guard.answered(3, t0 + 4s);
    EXPECT_EQ(guard.nextExpiry(), t0 + 7s);
    EXPECT_EQ(guard.expired(t0 + 6s), Ids{});
    EXPECT_EQ(guard.expired(t0 + 7s), Ids{4});
    EXPECT_EQ(guard.expired(t0 + 7s), Ids{}) << "each once";
    EXPECT_EQ(guard.expired(t0 + 9s), (Ids{3, 5}));
    EXPECT_EQ(guard.nextExpiry(), std::nullopt);
}

}  // namespace
}  // namespace vemtora::metrics
