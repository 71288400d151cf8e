// The caller's thread publishes, and first takes the acknowledgements that came since the last
// reading. The publisher's thread wakes for its timer (the next attempt, the user's message,
// keep-alive, the end's patience), for a finished name look-up, and for the socket only while an
// answer is awaited: a connection being made, a backlog, the end.
#include "io/mqtt/mqtt_publisher.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "io/mqtt/discovery_messages.h"
#include "vemtora_version.h"

namespace vemtora::mqtt {

namespace {

enum Source : std::uint32_t { kTimer, kLookupDone, kEnding, kSocket };

std::string hostAndPort(const BrokerUrl& url) {
    const bool ipv6 = url.host.find(':') != std::string::npos;
    return (ipv6 ? "[" + url.host + "]" : url.host) + ":" + std::to_string(url.port);
}

bool watch(int epoll, int fd, std::uint32_t source, std::uint32_t events = EPOLLIN) {
    epoll_event event{events, {}};
    event.data.u32 = source;
    return ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

void drain(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(fd, &count, sizeof count);
}

itimerspec alarmAt(std::optional<Clock::time_point> due) {
    itimerspec when{};  // all zero: disarmed
    if (!due) return when;
    const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(due->time_since_epoch()).count();
    // Zero would disarm: a time long past fires at once all the same.
    when.it_value.tv_sec = static_cast<time_t>(since / 1'000'000'000);
    when.it_value.tv_nsec = static_cast<long>(since % 1'000'000'000) + (since == 0 ? 1 : 0);
    return when;
}

}  // namespace

MqttPublisher::MqttPublisher(PublisherSettings settings, Tell tell, double energyJoulesAtStart)
    : settings_(std::move(settings)),
      tell_(std::move(tell)),
      brokerName_(hostAndPort(settings_.url)),
      epoll_(::epoll_create1(EPOLL_CLOEXEC)),
      timer_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)),
      ending_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      link_(settings_),
      engine_({settings_.url.topicPrefix, settings_.logStamp, settings_.queueCapacity, energyJoulesAtStart,
               settings_.discoveryPrefix
                   ? discoveryMessages(*settings_.discoveryPrefix, settings_.url.topicPrefix, VEMTORA_VERSION)
                   : std::vector<Message>{}},
              link_, Clock::now()),
      nextHousekeeping_(Clock::now() + kHousekeepingPeriod) {
    const bool watching = epoll_.isOpen() && timer_.isOpen() && ending_.isOpen() && link_.lookupDoneFd() >= 0 &&
                          watch(epoll_.get(), timer_.get(), kTimer) &&
                          watch(epoll_.get(), link_.lookupDoneFd(), kLookupDone) &&
                          watch(epoll_.get(), ending_.get(), kEnding);
    if (!watching) {
        tell_("cannot start publishing to the MQTT broker: " + std::string(std::strerror(errno)));
        return;
    }
    {
        std::lock_guard lock(mutex_);
        rewatch();
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error& error) {
        tell_("cannot start publishing to the MQTT broker: " + std::string(error.what()));
    }
}

MqttPublisher::~MqttPublisher() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        engine_.finish(Clock::now());
        rewatch();
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(ending_.get(), &one, sizeof one);
    thread_.join();
}

void MqttPublisher::takeReading(const IntervalReading& reading) {
    if (!thread_.joinable()) return;
    std::vector<Notice> notices;
    {
        std::lock_guard lock(mutex_);
        const Clock::time_point now = Clock::now();
        serviceLink(now, false);
        engine_.takeReading(reading, now);
        settle(now);
        rewatch();
        notices = engine_.takeNotices();
    }
    say(notices);
}

void MqttPublisher::run() {
    for (bool finished = false; !finished;) {
        epoll_event ready[kSocket + 1];
        const int count = ::epoll_wait(epoll_.get(), ready, kSocket + 1, -1);
        if (count < 0 && errno != EINTR) return;
        std::vector<Notice> notices;
        {
            std::lock_guard lock(mutex_);
            for (int i = 0; i < count; ++i) {
                if (ready[i].data.u32 == kTimer) drain(timer_.get());
                if (ready[i].data.u32 == kEnding) drain(ending_.get());
            }
            const Clock::time_point now = Clock::now();
            const bool housekeeping = now >= nextHousekeeping_;
            if (housekeeping) nextHousekeeping_ = now + kHousekeepingPeriod;
            serviceLink(now, housekeeping);
            rewatch();
            notices = engine_.takeNotices();
            finished = engine_.finished();
        }
        say(notices);
    }
}

void MqttPublisher::serviceLink(Clock::time_point now, bool housekeeping) {
    link_.service(housekeeping);
    settle(now);
}

// An event may lead to calls with events of their own; a failure ends the connection and the
// next attempt waits for the timer, so this comes to an end.
void MqttPublisher::settle(Clock::time_point now) {
    do {
        for (const LinkEvent& event : link_.takeEvents()) engine_.handle(event, now);
        engine_.tick(now);
    } while (link_.hasEvents());
}

void MqttPublisher::rewatch() {
    std::optional<Clock::time_point> due = engine_.nextDeadline();
    const int socket = link_.socket();
    if (socket >= 0) due = due ? std::min(*due, nextHousekeeping_) : nextHousekeeping_;
    if (due != armedFor_) {
        const itimerspec when = alarmAt(due);
        if (::timerfd_settime(timer_.get(), TFD_TIMER_ABSTIME, &when, nullptr) == 0) armedFor_ = due;
    }
    Watched wanted;
    if (socket >= 0) {
        wanted.events = (engine_.awaitingAnswers() ? EPOLLIN : 0u) | (link_.wantsWrite() ? EPOLLOUT : 0u);
        if (wanted.events != 0) wanted = {socket, link_.connection(), wanted.events};
    }
    if (wanted.fd == watched_.fd && wanted.connection == watched_.connection && wanted.events == watched_.events)
        return;
    // A socket already closed has left the set by itself; removing it again fails harmlessly.
    if (watched_.fd >= 0) ::epoll_ctl(epoll_.get(), EPOLL_CTL_DEL, watched_.fd, nullptr);
    watched_ = {};
    if (wanted.fd >= 0 && watch(epoll_.get(), wanted.fd, kSocket, wanted.events)) watched_ = wanted;
}

void MqttPublisher::say(const std::vector<Notice>& notices) const {
    for (const Notice& notice : notices) tell_(sentence(notice, brokerName_));
}

}  // namespace vemtora::mqtt
