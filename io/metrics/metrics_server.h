// --metrics: serves GET /metrics from a thread of its own, so no client ever holds up the
// serial loop; the loop only updates the totals under a short lock. A port it cannot listen on
// (in use, an address not up yet) is tried again in the background: the log never waits for it.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "core/controller_interfaces.h"
#include "io/metrics/exposition.h"
#include "io/metrics/listen_address.h"
#include "io/posix/owned_descriptor.h"

struct MHD_Daemon;

namespace vemtora::metrics {

// What slow or hostile clients can take: a scrape needs one connection and a few hundred bytes
// of request, made within a few seconds; Prometheus gives up on a scrape after 10 s by default.
inline constexpr unsigned kMaxConnections = 16;
inline constexpr unsigned kMaxConnectionsPerAddress = 4;
inline constexpr std::size_t kRequestMemoryBytes = 16 * 1024;
inline constexpr std::chrono::seconds kRequestDeadline{5};
// How often a port that could not be had is tried again.
inline constexpr std::chrono::seconds kListenRetry{10};

class MetricsServer final : public ReadingSink {
public:
    // Told from the server's thread: what it cannot do, and when it can again.
    using Tell = std::function<void(std::string_view sentence)>;

    // device: the label every metric carries.
    // energyJoulesAtStart: the total the energy counter continues from.
    MetricsServer(const ListenAddress& address, std::string device, Tell tell, double energyJoulesAtStart = 0.0);
    ~MetricsServer() override;

    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    void takeReading(const IntervalReading& reading) override;
    void collectingChanged(bool collecting) override;

    // The body of GET /metrics now.
    std::string exposition() const;

private:
    void serve();

    const ListenAddress address_;
    const std::string device_;
    Tell tell_;
    mutable std::mutex mutex_;
    MeterTotals totals_;
    posix::OwnedDescriptor stop_;  // an eventfd: readable once the server is to end
    std::thread thread_;
};

}  // namespace vemtora::metrics
