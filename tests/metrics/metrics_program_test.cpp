// The real vemtora-logger on the meter simulator's pty, scraped by a real Prometheus started
// here; and clients that misbehave on its metrics port.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "io/metrics/metrics_server.h"
#include "io/posix/owned_descriptor.h"
#include "tests/support/meter.h"
#include "tests/support/test_files.h"

namespace vemtora {
namespace {

using namespace testing_support;
using nlohmann::json;

// A port nobody listens on now: the kernel's pick for a socket bound to port 0.
int freePort() {
    posix::OwnedDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "no free port";
        return 0;
    }
    return ntohs(address.sin_port);
}

struct HttpAnswer {
    long status = 0;  // 0: no answer
    std::string body;
};

HttpAnswer http(const std::string& url, const char* method = "GET") {
    HttpAnswer answer;
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return answer;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 5L);
    if (std::string_view(method) == "HEAD") {
        curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 1L);
    } else if (std::string_view(method) != "GET") {
        curl_easy_setopt(curl.get(), CURLOPT_CUSTOMREQUEST, method);
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, "x=1");
    }
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(
        curl.get(), CURLOPT_WRITEFUNCTION, +[](char* data, size_t, size_t size, void* body) {
            static_cast<std::string*>(body)->append(data, size);
            return size;
        });
    if (curl_easy_perform(curl.get()) == CURLE_OK)
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &answer.status);
    return answer;
}

// Prometheus on 127.0.0.1 with its own configuration and storage, scraping one target every
// second; in a process group of its own, ended with the test whatever happens.
class Prometheus {
public:
    Prometheus(const TempFolder& folder, int targetPort) : port_(freePort()), logPath_(folder / "prometheus.log") {
        std::ofstream(folder / "prometheus.yml") << "global:\n"
                                                    "  scrape_interval: 1s\n"
                                                    "  evaluation_interval: 1s\n"
                                                    "scrape_configs:\n"
                                                    "  - job_name: vemtora\n"
                                                    "    static_configs:\n"
                                                    "      - targets: ['127.0.0.1:"
                                                 << targetPort << "']\n";
        const char* log = logPath_.c_str();
        process_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{PROMETHEUS_PATH, "--config.file=" + folder / "prometheus.yml",
                                     "--storage.tsdb.path=" + folder / "tsdb",
                                     "--web.listen-address=127.0.0.1:" + std::to_string(port_)},
            [log] {
                ::setpgid(0, 0);
                const int fd = ::open(log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
                ::dup2(fd, STDOUT_FILENO);
                ::dup2(fd, STDERR_FILENO);
            });
        // Also from this side, so the group exists before the child runs (it may fail once exec'd).
        if (process_->pid() > 0) ::setpgid(process_->pid(), process_->pid());
    }
    ~Prometheus() {
        const pid_t group = process_->pid();
        if (group <= 0) return;  // never started: kill(-(-1)) would signal init
        ::kill(-group, SIGTERM);
        if (!process_->waitForExit(secondsFromNow(10))) ::kill(-group, SIGKILL);
    }

    std::string log() const { return fileContents(logPath_); }

    // The result of an instant query; an empty array when it has none, null when Prometheus
    // refused the query or did not answer.
    json query(const std::string& expression) const {
        std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
        std::unique_ptr<char, void (*)(void*)> escaped(
            curl_easy_escape(curl.get(), expression.c_str(), static_cast<int>(expression.size())), curl_free);
        const HttpAnswer answer =
            http("http://127.0.0.1:" + std::to_string(port_) + "/api/v1/query?query=" + escaped.get());
        if (answer.status != 200) return nullptr;
        const json reply = json::parse(answer.body, nullptr, false);
        if (reply.is_discarded() || reply.value("status", "") != "success") return nullptr;
        return reply["data"]["result"];
    }

    // The values Prometheus has for a label on a metric's series, as a Grafana variable asks.
    json labelValues(const std::string& label, const std::string& metric) const {
        const HttpAnswer answer = http("http://127.0.0.1:" + std::to_string(port_) + "/api/v1/label/" + label +
                                       "/values?match%5B%5D=" + metric);
        const json reply = json::parse(answer.body, nullptr, false);
        return reply.is_discarded() ? json() : reply.value("data", json());
    }

    // The one value of a query for one series, nullopt while it has none.
    std::optional<double> value(const std::string& expression) const {
        const json result = query(expression);
        if (!result.is_array() || result.size() != 1) return std::nullopt;
        return std::stod(result[0]["value"][1].get<std::string>());
    }

    // Asks every 200 ms until the value satisfies `wanted`; the last value seen.
    template <typename Wanted>
    std::optional<double> awaitValue(const std::string& expression, Wanted wanted, int seconds = 15) const {
        const auto deadline = secondsFromNow(seconds);
        std::optional<double> seen;
        do {
            seen = value(expression);
            if (seen && wanted(*seen)) return seen;
            std::this_thread::sleep_for(200ms);
        } while (Clock::now() < deadline);
        return seen;
    }

private:
    int port_;
    std::string logPath_;
    std::unique_ptr<ChildProcess> process_;
};

const std::regex kLine(R"((\d\d):(\d\d):(\d\d)\.(\d)\t([0-9.]+)\t([0-9.]+)\t([0-9.]+))");

struct LogLine {
    long tenthsOfDay;
    double watts;
};

std::vector<LogLine> logLines(const std::string& text) {
    std::vector<LogLine> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, kLine)) {
            ADD_FAILURE() << "not a log line: " << line;
            continue;
        }
        const auto field = [&](int i) { return std::stol(m[i].str()); };
        lines.push_back({((field(1) * 60 + field(2)) * 60 + field(3)) * 10 + field(4), std::stod(m[7].str())});
    }
    return lines;
}

class LoggerMetrics : public ::testing::Test {
protected:
    std::string metricsUrl(const std::string& path = "/metrics") const {
        return "http://127.0.0.1:" + std::to_string(metricsPort) + path;
    }

    ChildProcess& startLogger(const std::string& interval) {
        logger_ = std::make_unique<ChildProcess>(
            loggerCommand({"--device-folder", folder.path(), "--interval", interval, "--log", folder / "meter.log",
                           "--metrics", "127.0.0.1:" + std::to_string(metricsPort)}));
        return *logger_;
    }

    TempFolder folder;
    const int metricsPort = freePort();
    std::unique_ptr<ChildProcess> logger_;
};

// Every expression of the shipped dashboard, as Grafana would send it for this device.
std::vector<std::string> dashboardQueries(const std::string& device) {
    std::ifstream file(DASHBOARD_PATH);
    const json dashboard = json::parse(file, nullptr, false);
    EXPECT_FALSE(dashboard.is_discarded()) << DASHBOARD_PATH << " is no JSON";
    std::vector<std::string> expressions;
    const auto walk = [&](const json& panels, const auto& self) -> void {
        for (const json& panel : panels) {
            if (panel.contains("panels")) self(panel["panels"], self);
            for (const json& target : panel.value("targets", json::array())) {
                std::string expression = target.value("expr", "");
                for (const auto& [variable, text] : {std::pair{"$__rate_interval", "4s"}, std::pair{"$__range", "1m"},
                                                     std::pair{"$device", device.c_str()}}) {
                    for (std::size_t at; (at = expression.find(variable)) != std::string::npos;) {
                        expression.replace(at, std::string_view(variable).size(), text);
                    }
                }
                EXPECT_EQ(expression.find('$'), std::string::npos) << "a variable left in " << expression;
                expressions.push_back(expression);
            }
        }
    };
    walk(dashboard.value("panels", json::array()), walk);
    return expressions;
}

// The metric of the dashboard's device variable: label_values(METRIC, device).
std::string deviceVariableMetric() {
    std::ifstream file(DASHBOARD_PATH);
    const json dashboard = json::parse(file, nullptr, false);
    for (const json& variable : dashboard["templating"]["list"]) {
        if (variable.value("name", "") != "device") continue;
        std::smatch m;
        const std::string definition = variable.value("definition", "");
        if (std::regex_match(definition, m, std::regex(R"(label_values\((\w+), *device\))"))) return m[1];
    }
    ADD_FAILURE() << "the dashboard has no device variable of the form label_values(metric, device)";
    return {};
}

TEST_F(LoggerMetrics, PrometheusScrapesWhatTheLogSaysAndTheDashboardFindsIt) {
    constexpr int kFrames = 80;  // 4 s at the simulator's 20 frames a second
    Meter meter(folder / "COM5", kLineDelivery, {"--hold", "--frames", std::to_string(kFrames)});
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger("0.2");
    Prometheus prometheus(folder, metricsPort);
    const std::string series = "{device=\"COM5\"}";

    // Scraped, the port open, and not one frame yet.
    ASSERT_EQ(prometheus.awaitValue("vemtora_connected" + series, [](double v) { return v == 1; }), 1)
        << prometheus.log() << logger.err().rest(secondsFromNow(1));
    EXPECT_EQ(prometheus.value("vemtora_frames_total" + series), 0);
    EXPECT_EQ(prometheus.value("vemtora_watts" + series), std::nullopt) << "no reading yet, so no gauge";

    meter.release();
    const auto first = prometheus.awaitValue("vemtora_frames_total" + series, [](double v) { return v > 0; });
    ASSERT_TRUE(first && *first > 0);
    const auto later = prometheus.awaitValue("vemtora_frames_total" + series, [&](double v) { return v > *first; });
    EXPECT_TRUE(later && *later > *first && *later <= kFrames) << "the frame counter does not rise";

    const auto said = meter.said(secondsFromNow(15));
    ASSERT_EQ(said, "sent " + std::to_string(kFrames) + " frames, " + std::to_string(kFrames) + " well-formed");
    EXPECT_EQ(prometheus.awaitValue("vemtora_frames_total" + series, [](double v) { return v == kFrames; }), kFrames);

    // Every frame is in the log now; Prometheus has scraped after the last line.
    const std::vector<LogLine> lines = logLines(fileContents(folder / "meter.log"));
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(prometheus.value("vemtora_intervals_total" + series), static_cast<double>(lines.size()));
    const auto watts = prometheus.value("vemtora_watts" + series);
    ASSERT_TRUE(watts);
    EXPECT_NEAR(*watts, lines.back().watts, 0.05) << "the log writes one decimal";
    double joules = 0;
    for (const LogLine& line : lines) joules += line.watts * 0.2;
    const auto energy = prometheus.value("vemtora_energy_joules_total" + series);
    ASSERT_TRUE(energy);
    EXPECT_NEAR(*energy, joules, 0.05 * 0.2 * static_cast<double>(lines.size()));
    const auto lastReading = prometheus.value("vemtora_last_reading_timestamp_seconds" + series);
    ASSERT_TRUE(lastReading);
    EXPECT_NEAR(*lastReading, static_cast<double>(std::time(nullptr)), 30);

    const std::vector<std::string> queries = dashboardQueries("COM5");
    EXPECT_GE(queries.size(), 7u);
    for (const std::string& query : queries) {
        const json result = prometheus.query(query);
        EXPECT_TRUE(result.is_array() && !result.empty()) << query << " gives " << result.dump();
    }

    EXPECT_EQ(prometheus.labelValues("device", deviceVariableMetric()), json::array({"COM5"}));

    meter.unplug();
    EXPECT_EQ(prometheus.awaitValue("vemtora_connected" + series, [](double v) { return v == 0; }), 0)
        << "the pulled cable does not show";
}

// Non-blocking connections to 127.0.0.1:port, left open.
std::vector<posix::OwnedDescriptor> holdConnections(int port, int count) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<posix::OwnedDescriptor> held;
    for (int i = 0; i < count; ++i) {
        posix::OwnedDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        const int connected = ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        EXPECT_TRUE(connected == 0 || errno == EINPROGRESS) << "connection " << i << ": " << std::strerror(errno);
        held.push_back(std::move(fd));
    }
    return held;
}

// Sends a request line of `size` bytes for as long as the server takes them; true when the
// server ended the connection or refused the request before the deadline.
bool serverCutsOff(int port, std::size_t size, Clock::time_point deadline) {
    std::vector<posix::OwnedDescriptor> one = holdConnections(port, 1);
    const int fd = one[0].get();
    const std::string request = "GET /" + std::string(size, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n";
    std::size_t sent = 0;
    while (Clock::now() < deadline) {
        pollfd watched{fd, POLLOUT | POLLIN, 0};
        if (::poll(&watched, 1, 100) <= 0) continue;
        if (watched.revents & (POLLIN | POLLHUP | POLLERR)) {
            char reply[64];
            const ssize_t n = ::recv(fd, reply, sizeof reply, 0);
            return n <= 0 || std::string_view(reply, static_cast<std::size_t>(n)).starts_with("HTTP/1.1 4");
        }
        if (sent < request.size()) {
            const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN) return true;  // reset by the server
            if (n > 0) sent += static_cast<std::size_t>(n);
        }
    }
    return false;
}

std::size_t openDescriptors(pid_t pid) {
    const std::filesystem::path folder = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    const auto entries = std::filesystem::directory_iterator(folder, error);
    return error ? 0 : static_cast<std::size_t>(std::distance(entries, std::filesystem::directory_iterator()));
}

// AddressSanitizer keeps freed memory in quarantine, so each of a thousand short connections adds
// to it: there memory says nothing about the server, and is judged only in the other builds.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kFreedMemoryHeldBack = true;
#else
constexpr bool kFreedMemoryHeldBack = false;
#endif

// Anonymous memory only: pages of shared libraries touched for the first time while clients are
// served (a first TLS-free HTTP reply, a first look-up) are not memory the clients hold.
long anonymousKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("RssAnon:")) return std::stol(line.substr(8));
    }
    return -1;
}

TEST_F(LoggerMetrics, HostileClientsStallNeitherTheLogNorLaterScrapes) {
    Meter meter(folder / "COM5", kLineDelivery);
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger("0.1");
    ASSERT_TRUE(logger.out().next(secondsFromNow(10))) << logger.err().rest(secondsFromNow(1));
    // A first scrape settles what serving costs anyway (the server thread's heap, its first
    // connection), so only what the clients below hold counts.
    HttpAnswer first;
    for (const auto deadline = secondsFromNow(10); first.status != 200 && Clock::now() < deadline;) {
        first = http(metricsUrl());
        if (first.status != 200) std::this_thread::sleep_for(100ms);
    }
    ASSERT_EQ(first.status, 200);
    const long residentBefore = anonymousKiB(logger.pid());

    const std::size_t descriptorsBefore = openDescriptors(logger.pid());
    std::vector<posix::OwnedDescriptor> held = holdConnections(metricsPort, 1000);
    bool cutOff = false;
    std::thread longLine([&] { cutOff = serverCutsOff(metricsPort, 1 << 20, secondsFromNow(10)); });
    // Three seconds of lines while the connections are held: one every 0.1 s, none missing.
    std::vector<std::string> seen;
    const auto until = Clock::now() + 3s;
    while (const auto line = logger.out().next(until)) seen.push_back(*line);
    longLine.join();
    EXPECT_TRUE(cutOff) << "a 1 MB request line was neither refused nor cut off";
    const long residentDuring = anonymousKiB(logger.pid());
    // Past its few connections per address the server closes new ones at once, rather than
    // keeping each until it times out.
    EXPECT_LE(openDescriptors(logger.pid()), descriptorsBefore + metrics::kMaxConnectionsPerAddress);
    held.clear();

    const std::vector<LogLine> lines = logLines([&] {
        std::string all;
        for (const auto& line : seen) all += line + "\n";
        return all;
    }());
    ASSERT_GE(lines.size(), 25u) << "the log stalled while clients held the metrics port";
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ((lines[i].tenthsOfDay - lines[i - 1].tenthsOfDay + 864000) % 864000, 1) << seen[i];
    }
    if (!kFreedMemoryHeldBack) {
        EXPECT_LT(residentDuring - residentBefore, 4096) << "KiB more while the clients were there";
    }

    // Once they have gone, a scrape works again; only GET and HEAD of /metrics are served.
    HttpAnswer scrape;
    for (const auto deadline = secondsFromNow(15); scrape.status != 200 && Clock::now() < deadline;) {
        scrape = http(metricsUrl());
        if (scrape.status != 200) std::this_thread::sleep_for(200ms);
    }
    EXPECT_EQ(scrape.status, 200);
    EXPECT_NE(scrape.body.find("\nvemtora_frames_total{device=\"COM5\"} "), std::string::npos) << scrape.body;
    const HttpAnswer head = http(metricsUrl(), "HEAD");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.body, "");
    const struct {
        const char* path;
        const char* method;
    } refused[] = {{"/", "GET"},        {"/metrics/", "GET"},   {"/Metrics", "GET"},    {"/metrics", "POST"},
                   {"/metrics", "PUT"}, {"/metrics", "DELETE"}, {"/favicon.ico", "GET"}};
    for (const auto& row : refused) {
        EXPECT_EQ(http(metricsUrl(row.path), row.method).status, 404) << row.method << " " << row.path;
    }
    logger.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(logger.waitForExit(secondsFromNow(10)), 0));
}

// The value of a metric of the device COM5 in a scrape's body; NaN when it has none.
double metricValue(const std::string& body, const std::string& name) {
    const std::string key = "\n" + name + "{device=\"COM5\"} ";
    const std::size_t at = body.find(key);
    return at == std::string::npos ? std::nan("") : std::strtod(body.c_str() + at + key.size(), nullptr);
}

// A logger held up (stopped, swapped out) still counts the energy of the time that passed: a
// late report covers all of it, though it makes one line.
TEST_F(LoggerMetrics, EnergyCountsTheTimeThatPassedThroughAHoldUp) {
    Meter meter(folder / "COM5", kLineDelivery);
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger("0.1");
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(logger.out().next(secondsFromNow(10))) << logger.err().rest(secondsFromNow(1));
    const std::string before = http(metricsUrl()).body;
    logger.signal(SIGSTOP);
    std::this_thread::sleep_for(350ms);
    logger.signal(SIGCONT);
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(logger.out().next(secondsFromNow(10)));
    const std::string after = http(metricsUrl()).body;
    // Every interval of this meter has frames of 64.6 V and 1.94 A: 125.324 W throughout.
    const double seconds =
        (metricValue(after, "vemtora_energy_joules_total") - metricValue(before, "vemtora_energy_joules_total")) /
        125.324;
    const double passed = metricValue(after, "vemtora_last_reading_timestamp_seconds") -
                          metricValue(before, "vemtora_last_reading_timestamp_seconds");
    EXPECT_GT(passed, 4.0);
    // The reading times are when the loop got to each report, which on a busy machine may be up
    // to an interval after the timer's tick; the 350 ms held up are far outside that and 1 %.
    EXPECT_NEAR(seconds, passed, passed * 0.01 + 0.1) << "energy of " << seconds << " s over " << passed << " s";
    EXPECT_NE(logger.err().next(secondsFromNow(5)).value_or("").find("late"), std::string::npos);
    logger.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(logger.waitForExit(secondsFromNow(10)), 0));
}

// Two loggers given one metrics port (one drop-in for every instance): both log; the second
// says so, tries again, and serves once the port is free.
TEST_F(LoggerMetrics, APortInUseStopsNoLoggingAndIsTakenWhenFree) {
    Meter first(folder / "COM5", kLineDelivery);
    Meter second(folder / "COM6", kLineDelivery);
    ASSERT_TRUE(first.started() && second.started());
    ChildProcess& holder = startLogger("0.1");
    ASSERT_TRUE(holder.out().next(secondsFromNow(10))) << holder.err().rest(secondsFromNow(1));
    const std::string address = "127.0.0.1:" + std::to_string(metricsPort);
    ChildProcess late(loggerCommand({"5", "--device-folder", folder.path(), "--interval", "0.1", "--log",
                                     folder / "second.log", "--metrics", address}));
    EXPECT_EQ(late.err().next(secondsFromNow(10)),
              "vemtora-logger: cannot serve metrics on " + address +
                  ": Address already in use; logging goes on, and the port is tried again every 10 s");
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(late.out().next(secondsFromNow(5))) << "line " << i;
    holder.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(holder.waitForExit(secondsFromNow(10)), 0));
    // Tried every 10 s: the port is had within one period and a little after the first ended.
    EXPECT_EQ(late.err().next(secondsFromNow(15)), "vemtora-logger: serving metrics on " + address + " now");
    const HttpAnswer scrape = http(metricsUrl());
    EXPECT_EQ(scrape.status, 200);
    EXPECT_NE(scrape.body.find("vemtora_frames_total{device=\"COM6\"}"), std::string::npos) << scrape.body;
    late.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(late.waitForExit(secondsFromNow(10)), 0));
}

// Clients that send a request a header line at a time hold no slot a scraper needs: the oldest
// gives way to a new connection, and none may take more than a few seconds over a request.
TEST_F(LoggerMetrics, TricklingClientsCannotLockAScraperOut) {
    Meter meter(folder / "COM5", kLineDelivery);
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger("0.5");
    ASSERT_TRUE(logger.out().next(secondsFromNow(10))) << logger.err().rest(secondsFromNow(1));
    std::vector<posix::OwnedDescriptor> tricklers = holdConnections(metricsPort, metrics::kMaxConnectionsPerAddress);
    std::atomic<bool> done = false;
    std::thread trickle([&] {
        for (int beat = 0; !done && beat < 60; ++beat) {
            for (const auto& fd : tricklers) {
                const std::string part =
                    beat == 0 ? "GET /metrics HTTP/1.1\r\n" : "X-Slow: " + std::to_string(beat) + "\r\n";
                ::send(fd.get(), part.data(), part.size(), MSG_NOSIGNAL);
            }
            std::this_thread::sleep_for(500ms);
        }
    });
    std::this_thread::sleep_for(1s);  // the tricklers hold every slot of this address by now
    int served = 0;
    for (int scrape = 0; scrape < 4; ++scrape) served += http(metricsUrl()).status == 200 ? 1 : 0;
    done = true;
    trickle.join();
    EXPECT_EQ(served, 4);
    logger.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(logger.waitForExit(secondsFromNow(10)), 0));
}

}  // namespace
}  // namespace vemtora
