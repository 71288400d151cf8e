#include "io/metrics/metrics_server.h"

#include <microhttpd.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <unordered_map>

#include "io/metrics/connection_guard.h"
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
        const bool read =
            std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 || std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
        if (!read || std::strcmp(url, "/metrics") != 0) {
            return queueText(connection, MHD_HTTP_NOT_FOUND, kNotFound, "text/plain; charset=utf-8");
        }
        return queueText(connection, MHD_HTTP_OK, static_cast<const MetricsServer*>(server)->exposition(),
                         kExpositionContentType);
    } catch (...) {  // out of memory: drop this client, not the logger
        return MHD_NO;
    }
}

// One server thread runs libmicrohttpd and the guard together, so the guard's verdicts and
// the connections' ends never race.
struct Connections {
    ConnectionGuard guard{kMaxConnectionsPerAddress, kMaxConnections, kRequestDeadline};
    std::unordered_map<ConnectionGuard::Id, MHD_Connection*> open;

    void close(ConnectionGuard::Id id) {
        const auto found = open.find(id);
        if (found == open.end()) return;
        const MHD_ConnectionInfo* info = MHD_get_connection_info(found->second, MHD_CONNECTION_INFO_CONNECTION_FD);
        // The socket stays libmicrohttpd's to close; it sees the end on its next turn.
        if (info != nullptr) ::shutdown(info->connect_fd, SHUT_RDWR);
    }
};

std::string addressOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info == nullptr || info->client_addr == nullptr) return {};
    const sockaddr* peer = info->client_addr;
    if (peer->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(peer);
        return std::string(reinterpret_cast<const char*>(&v4->sin_addr), sizeof v4->sin_addr);
    }
    if (peer->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(peer);
        return std::string(reinterpret_cast<const char*>(&v6->sin6_addr), sizeof v6->sin6_addr);
    }
    return {};
}

void onConnection(void* context, MHD_Connection* connection, void**, MHD_ConnectionNotificationCode code) noexcept {
    auto& connections = *static_cast<Connections*>(context);
    const auto id = reinterpret_cast<ConnectionGuard::Id>(connection);
    try {
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            connections.open[id] = connection;
            for (const auto victim :
                 connections.guard.opened(id, addressOf(connection), ConnectionGuard::Clock::now())) {
                connections.close(victim);
            }
        } else {
            connections.guard.closed(id);
            connections.open.erase(id);
        }
    } catch (...) {  // out of memory: this connection goes unguarded, the server goes on
    }
}

void onAnswered(void* context, MHD_Connection* connection, void**, MHD_RequestTerminationCode) noexcept {
    auto& connections = *static_cast<Connections*>(context);
    connections.guard.answered(reinterpret_cast<ConnectionGuard::Id>(connection), ConnectionGuard::Clock::now());
}

// How long the server thread may sleep: until libmicrohttpd or the guard has something to do.
int waitMilliseconds(MHD_Daemon* daemon, const ConnectionGuard& guard) {
    using namespace std::chrono;
    long long wait = -1;
    MHD_UNSIGNED_LONG_LONG daemonWait = 0;
    if (MHD_get_timeout(daemon, &daemonWait) == MHD_YES) wait = static_cast<long long>(daemonWait);
    if (const auto next = guard.nextExpiry()) {
        const long long untilExpiry =
            std::max<long long>(0, duration_cast<milliseconds>(*next - ConnectionGuard::Clock::now()).count() + 1);
        wait = wait < 0 ? untilExpiry : std::min(wait, untilExpiry);
    }
    return static_cast<int>(std::min<long long>(wait, 60'000));
}

}  // namespace

MetricsServer::MetricsServer(const ListenAddress& address, std::string device, Tell tell, double energyJoulesAtStart)
    : address_(address),
      device_(std::move(device)),
      tell_(std::move(tell)),
      stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    totals_.energyJoules = energyJoulesAtStart;
    if (!stop_.isOpen()) {
        tell_("cannot serve metrics: " + posix::errorText(errno));
        return;
    }
    thread_ = std::thread([this] { serve(); });
}

MetricsServer::~MetricsServer() {
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    while (::write(stop_.get(), &one, sizeof one) < 0 && errno == EINTR) {}
    thread_.join();
}

void MetricsServer::serve() {
    Connections connections;
    MHD_Daemon* daemon = nullptr;
    bool toldFailure = false;
    for (;;) {
        if (daemon == nullptr) {
            posix::OwnedDescriptor listening = listeningSocket(address_);
            const int error = errno;
            if (listening.isOpen()) {
                unsigned flags = MHD_USE_EPOLL;
                if (address_.address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
                daemon = MHD_start_daemon(
                    flags, 0, nullptr, nullptr, &answer, this, MHD_OPTION_LISTEN_SOCKET, listening.get(),
                    // The guard keeps to the limits by closing the oldest; these only bound a flood.
                    MHD_OPTION_CONNECTION_LIMIT, kMaxConnections * 4, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
                    kRequestMemoryBytes, MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(kRequestDeadline.count()),
                    MHD_OPTION_NOTIFY_CONNECTION, &onConnection, &connections, MHD_OPTION_NOTIFY_COMPLETED, &onAnswered,
                    &connections, MHD_OPTION_END);
                if (daemon != nullptr) listening.release();  // the daemon closes it when it stops
            }
            if (daemon != nullptr && toldFailure) tell_("serving metrics on " + address_.text + " now");
            if (daemon == nullptr && !toldFailure) {
                const std::string why = listening.isOpen() ? "the HTTP server did not start" : posix::errorText(error);
                tell_("cannot serve metrics on " + address_.text + ": " + why +
                      "; logging goes on, and the port is tried " + "again every " +
                      std::to_string(kListenRetry.count()) + " s");
                toldFailure = true;
            }
        }
        pollfd watched[2] = {{stop_.get(), POLLIN, 0}, {-1, POLLIN, 0}};
        int wait = static_cast<int>(std::chrono::milliseconds(kListenRetry).count());
        if (daemon != nullptr) {
            const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_EPOLL_FD);
            watched[1].fd = info != nullptr ? info->epoll_fd : -1;
            wait = waitMilliseconds(daemon, connections.guard);
        }
        if (::poll(watched, 2, wait) < 0 && errno != EINTR) break;
        if (watched[0].revents != 0) break;
        if (daemon == nullptr) continue;
        MHD_run(daemon);
        for (const auto id : connections.guard.expired(ConnectionGuard::Clock::now())) connections.close(id);
    }
    if (daemon != nullptr) MHD_stop_daemon(daemon);
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
