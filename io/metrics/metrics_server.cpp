#include "io/metrics/metrics_server.h"

#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "io/metrics/listen_address.h"
#include "io/posix/failure.h"
#include "io/posix/owned_descriptor.h"

namespace vemtora::metrics {

namespace {

constexpr int kListenBacklog = 64;
constexpr std::string_view kNotFound = "Not found: the metrics are at /metrics\n";

double unixSecondsNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Our own socket rather than MHD's: a port in use then reads as errno, not as a null daemon.
posix::OwnedDescriptor listeningSocket(const ListenAddress& where) {
    const int family = where.address.ss_family;
    posix::OwnedDescriptor fd(::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.isOpen()) return fd;
    const int yes = 1;
    const int no = 0;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    // [::] serves IPv4 clients too, as 0.0.0.0 and [::] both mean "everywhere" to users.
    if (family == AF_INET6) ::setsockopt(fd.get(), IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&where.address), where.length) != 0 ||
        ::listen(fd.get(), kListenBacklog) != 0) {
        const int error = errno;
        fd.reset();
        errno = error;
    }
    return fd;
}

MHD_Result queueText(MHD_Connection* connection, unsigned status, std::string_view body, std::string_view type) {
    MHD_Response* response =
        MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, std::string(type).c_str());
    const MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

// Answers on the first call for every request, so a body is never read or kept.
MHD_Result answer(void* server, MHD_Connection* connection, const char* url, const char* method, const char*,
                  const char*, size_t*, void**) noexcept {
    try {
        const bool read = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 || std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
        if (!read || std::strcmp(url, "/metrics") != 0) {
            return queueText(connection, MHD_HTTP_NOT_FOUND, kNotFound, "text/plain; charset=utf-8");
        }
        return queueText(connection, MHD_HTTP_OK, static_cast<const MetricsServer*>(server)->exposition(),
                         kExpositionContentType);
    } catch (...) {  // out of memory: drop this client, not the logger
        return MHD_NO;
    }
}

}  // namespace

std::unique_ptr<MetricsServer> MetricsServer::start(const ListenAddress& address, std::string device,
                                                    std::string& failure) {
    posix::OwnedDescriptor listening = listeningSocket(address);
    if (!listening.isOpen()) {
        failure = "cannot serve metrics on " + address.text + ": " + posix::errorText(errno);
        return nullptr;
    }
    std::unique_ptr<MetricsServer> server(new MetricsServer(std::move(device)));
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL;
    if (address.address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
    server->daemon_ = MHD_start_daemon(flags, 0, nullptr, nullptr, &answer, server.get(),
                                       MHD_OPTION_LISTEN_SOCKET, listening.get(),
                                       MHD_OPTION_CONNECTION_LIMIT, kMaxConnections,
                                       MHD_OPTION_PER_IP_CONNECTION_LIMIT, kMaxConnectionsPerAddress,
                                       MHD_OPTION_CONNECTION_MEMORY_LIMIT, kRequestMemoryBytes,
                                       MHD_OPTION_CONNECTION_TIMEOUT, kIdleTimeoutSeconds,
                                       MHD_OPTION_END);
    if (server->daemon_ == nullptr) {
        failure = "cannot serve metrics on " + address.text + ": the HTTP server did not start";
        return nullptr;
    }
    listening.release();  // the daemon closes it when it stops
    return server;
}

MetricsServer::~MetricsServer() {
    if (daemon_ != nullptr) MHD_stop_daemon(daemon_);
}

void MetricsServer::takeReading(const IntervalReading& reading) {
    const double now = unixSecondsNow();
    const std::lock_guard lock(mutex_);
    addReading(totals_, reading, now);
}

void MetricsServer::collectingChanged(bool collecting) {
    const std::lock_guard lock(mutex_);
    totals_.connected = collecting;
}

std::string MetricsServer::exposition() const {
    MeterTotals totals;
    {
        const std::lock_guard lock(mutex_);
        totals = totals_;
    }
    return metrics::exposition(totals, device_);
}

}  // namespace vemtora::metrics
