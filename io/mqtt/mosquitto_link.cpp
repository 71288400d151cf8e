// libmosquitto without its own loop: mosquitto_loop_read, _write and _misc on the owner's wake-ups.
// Only mosquitto_connect_async blocks, in getaddrinfo, so it runs in a detached thread that owns
// the attempt's client until it returns; an attempt given up meanwhile is never joined.
#include "io/mqtt/mosquitto_link.h"

#include <mosquitto.h>
#include <netdb.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace vemtora::mqtt {

namespace {

constexpr int kQos = 1;

// libmosquitto passes OpenSSL's errors on as "OpenSSL Error[0]: error:0A000086:SSL
// routines::certificate verify failed" and its own as "Error: host name verification failed.".
std::string libraryWords(std::string_view logged) {
    if (logged.starts_with("OpenSSL Error")) return std::string(logged.substr(logged.rfind(':') + 1));
    if (logged.starts_with("Error: ")) logged.remove_prefix(7);
    return std::string(logged);
}

Failure failureFor(int result, int error, const std::string& logged) {
    switch (result) {
        case MOSQ_ERR_TLS: return {FailureKind::Tls, libraryWords(logged)};
        case MOSQ_ERR_EAI: return {FailureKind::Unreachable, ::gai_strerror(error)};
        case MOSQ_ERR_ERRNO:
            // OpenSSL's failures arrive as EPROTO; its own words say more.
            if (error == EPROTO && !logged.empty()) return {FailureKind::Unreachable, libraryWords(logged)};
            return {FailureKind::Unreachable, error != 0 ? std::strerror(error) : ""};
        case MOSQ_ERR_SUCCESS:
        case MOSQ_ERR_NO_CONN:
        case MOSQ_ERR_CONN_LOST: return {FailureKind::Unreachable, "the connection was closed"};
        case MOSQ_ERR_KEEPALIVE: return {FailureKind::Unreachable, "no answer"};
        case MOSQ_ERR_PROTOCOL:
        case MOSQ_ERR_MALFORMED_PACKET: return {FailureKind::Unreachable, "the answer was not MQTT"};
        default: return {FailureKind::Unreachable, mosquitto_strerror(result)};
    }
}

void initialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

}  // namespace

// One client's life: the attempt, then the connection it became.
struct MosquittoLink::Session {
    ~Session() {
        if (client != nullptr) mosquitto_destroy(client);
    }

    mosquitto* client = nullptr;
    std::string host;
    int port = 0;

    // The hand-over from the look-up thread.
    std::mutex mutex;
    bool lookingUp = true;
    bool abandoned = false;
    int lookupDoneFd = -1;  // the link's; written only while the link still wants the attempt
    int lookupResult = MOSQ_ERR_SUCCESS;
    int lookupErrno = 0;

    // libmosquitto's callbacks, on whichever thread calls into the client.
    std::string firstError;
    bool accepted = false;
    bool ended = false;  // its Failure is said; nothing more comes from it
    std::vector<LinkEvent> events;

    void fail(const Failure& failure) {
        if (std::exchange(ended, true)) return;
        events.emplace_back(failure);
    }
};

MosquittoLink::MosquittoLink(const PublisherSettings& settings)
    : settings_(settings), lookupDone_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    initialiseLibraryOnce();
}

MosquittoLink::~MosquittoLink() { disconnect(); }

void MosquittoLink::connect(const Message& will) {
    if (session_) return;  // one attempt at a time
    auto session = std::make_shared<Session>();
    session->host = settings_.url.host;
    session->port = settings_.url.port;
    // A random client id with a clean session: two loggers never push each other off, and what
    // waits is kept by the delivery rules, not by the broker or the library.
    session->client = mosquitto_new(nullptr, true, session.get());
    if (session->client == nullptr) {
        events_.emplace_back(
            Failure{FailureKind::Unreachable, "cannot make an MQTT client: " + std::string(std::strerror(errno))});
        return;
    }
    mosquitto* client = session->client;
    mosquitto_connect_callback_set(client, onConnect);
    mosquitto_disconnect_callback_set(client, onDisconnect);
    mosquitto_publish_callback_set(client, onPublish);
    mosquitto_log_callback_set(client, onLog);
    const BrokerUrl& url = settings_.url;
    int result = mosquitto_will_set(client, will.topic.c_str(), static_cast<int>(will.payload.size()),
                                    will.payload.data(), kQos, will.retained);
    if (result == MOSQ_ERR_SUCCESS && !url.user.empty()) {
        result = mosquitto_username_pw_set(client, url.user.c_str(),
                                           settings_.password ? settings_.password->c_str() : nullptr);
    }
    if (result != MOSQ_ERR_SUCCESS) {
        events_.emplace_back(Failure{FailureKind::Unreachable,
                                     "cannot set up the MQTT client: " + std::string(mosquitto_strerror(result))});
        return;
    }
    if (url.tls &&
        (settings_.caFile ? mosquitto_tls_set(client, settings_.caFile->c_str(), nullptr, nullptr, nullptr, nullptr)
                          : mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1)) != MOSQ_ERR_SUCCESS) {
        events_.emplace_back(Failure{FailureKind::Tls, "the CA file cannot be read"});
        return;
    }
    session->lookupDoneFd = lookupDone_.get();
    try {
        std::thread([session] { lookUp(session); }).detach();
    } catch (const std::system_error& error) {
        events_.emplace_back(
            Failure{FailureKind::Unreachable, "cannot start the name look-up: " + std::string(error.what())});
        return;
    }
    session_ = std::move(session);
    lookingUp_ = true;
}

void MosquittoLink::lookUp(const std::shared_ptr<Session>& session) {
    const int result =
        mosquitto_connect_async(session->client, session->host.c_str(), session->port, kKeepAliveSeconds);
    const int error = errno;
    std::lock_guard lock(session->mutex);
    session->lookingUp = false;
    session->lookupResult = result;
    session->lookupErrno = error;
    if (session->abandoned) {
        // Nobody takes the connection: a DISCONNECT right after its CONNECT keeps the broker from
        // publishing the will while the logger runs on.
        if (result == MOSQ_ERR_SUCCESS) mosquitto_disconnect(session->client);
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(session->lookupDoneFd, &one, sizeof one);
}

void MosquittoLink::takeFinishedLookup() {
    if (!lookingUp_) return;
    {
        std::lock_guard lock(session_->mutex);
        if (session_->lookingUp) return;
    }
    lookingUp_ = false;
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(lookupDone_.get(), &count, sizeof count);
    if (session_->lookupResult != MOSQ_ERR_SUCCESS) {
        endSession(failureFor(session_->lookupResult, session_->lookupErrno, session_->firstError));
        return;
    }
    ++connections_;
}

void MosquittoLink::service(bool housekeeping) {
    takeFinishedLookup();
    if (!session_ || lookingUp_) return;
    mosquitto* client = session_->client;
    // Reading also moves a TLS handshake on, whichever way the socket became ready.
    int result = mosquitto_loop_read(client, 1);
    int error = errno;
    if (result == MOSQ_ERR_SUCCESS && mosquitto_want_write(client)) {
        result = mosquitto_loop_write(client, 1);
        error = errno;
    }
    if (result == MOSQ_ERR_SUCCESS && housekeeping) {
        result = mosquitto_loop_misc(client);
        error = errno;
    }
    collect(result, error);
}

std::optional<int> MosquittoLink::publish(const Message& message) {
    if (!session_ || lookingUp_ || !session_->accepted) return std::nullopt;
    int messageId = 0;
    const int result =
        mosquitto_publish(session_->client, &messageId, message.topic.c_str(), static_cast<int>(message.payload.size()),
                          message.payload.data(), kQos, message.retained);
    const int error = errno;
    collect(result, error);
    if (result != MOSQ_ERR_SUCCESS) return std::nullopt;
    return messageId;
}

void MosquittoLink::collect(int result, int error) {
    Session& session = *session_;
    if (result != MOSQ_ERR_SUCCESS || mosquitto_socket(session.client) < 0)
        session.fail(failureFor(result, error, session.firstError));
    for (LinkEvent& event : session.events) events_.push_back(std::move(event));
    session.events.clear();
    if (session.ended) session_.reset();
}

void MosquittoLink::endSession(const Failure& failure) {
    events_.emplace_back(failure);
    session_.reset();
    lookingUp_ = false;
}

void MosquittoLink::disconnect() {
    if (!session_) return;
    {
        std::lock_guard lock(session_->mutex);
        if (session_->lookingUp) {
            session_->abandoned = true;
        } else if (session_->lookupResult == MOSQ_ERR_SUCCESS && !session_->ended) {
            mosquitto_disconnect(session_->client);
        }
    }
    session_.reset();
    lookingUp_ = false;
}

int MosquittoLink::socket() const { return session_ && !lookingUp_ ? mosquitto_socket(session_->client) : -1; }

bool MosquittoLink::wantsWrite() const { return session_ && !lookingUp_ && mosquitto_want_write(session_->client); }

std::vector<LinkEvent> MosquittoLink::takeEvents() { return std::exchange(events_, {}); }

void MosquittoLink::onConnect(mosquitto* client, void* data, int result) {
    Session& session = *static_cast<Session*>(data);
    if (result != 0) {
        session.fail({FailureKind::Refused, mosquitto_connack_string(result)});
        return;
    }
    session.accepted = true;
    session.events.emplace_back(Connected{});
    // Its words matter only while connecting; then they would be formatted for every packet.
    mosquitto_log_callback_set(client, nullptr);
}

void MosquittoLink::onDisconnect(mosquitto*, void* data, int result) {
    const int error = errno;
    Session& session = *static_cast<Session*>(data);
    session.fail(failureFor(result, error, session.firstError));
}

void MosquittoLink::onPublish(mosquitto*, void* data, int messageId) {
    Session& session = *static_cast<Session*>(data);
    if (!session.ended) session.events.emplace_back(Acknowledged{messageId});
}

void MosquittoLink::onLog(mosquitto*, void* data, int level, const char* text) {
    Session& session = *static_cast<Session*>(data);
    if (level == MOSQ_LOG_ERR && text != nullptr && session.firstError.empty()) session.firstError = text;
}

}  // namespace vemtora::mqtt
