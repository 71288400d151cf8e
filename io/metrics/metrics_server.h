// --metrics: serves GET /metrics from libmicrohttpd's own thread, so no client ever holds up
// the serial loop; the loop only updates the totals under a short lock.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"
#include "io/metrics/exposition.h"
#include "io/metrics/listen_address.h"

struct MHD_Daemon;

namespace vemtora::metrics {

// What one slow or hostile client can take: a scrape needs one connection and a few hundred
// bytes of request, and Prometheus gives up on a scrape after 10 s by default.
inline constexpr unsigned kMaxConnections = 16;
inline constexpr unsigned kMaxConnectionsPerAddress = 4;
inline constexpr std::size_t kRequestMemoryBytes = 16 * 1024;
inline constexpr unsigned kIdleTimeoutSeconds = 10;

class MetricsServer final : public ReadingSink {
public:
    // Listens at once on the address. nullptr with failure set when it cannot, say because the
    // port is in use. device: the label every metric carries.
    static std::unique_ptr<MetricsServer> start(const ListenAddress& address, std::string device,
                                                std::string& failure);
    ~MetricsServer() override;

    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    void takeReading(const IntervalReading& reading) override;
    void collectingChanged(bool collecting) override;

    // The body of GET /metrics now.
    std::string exposition() const;

private:
    explicit MetricsServer(std::string device) : device_(std::move(device)) {}

    const std::string device_;
    mutable std::mutex mutex_;
    MeterTotals totals_;
    MHD_Daemon* daemon_ = nullptr;
};

}  // namespace vemtora::metrics
