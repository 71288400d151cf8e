// The real vemtora-logger publishing to a real Mosquitto on 127.0.0.1, the meter simulator on a
// pseudo-terminal delivering bytes at the line rate: every interval of the log arrives once and
// in order, through a broker restart too; the retained status follows the logger; a broker
// that is away, refuses the password or shows a certificate of another CA never stops the log.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "io/mqtt/discovery_messages.h"
#include "io/mqtt/mqtt_publisher.h"
#include "tests/mqtt/test_broker.h"
#include "tests/support/meter.h"
#include "tests/support/test_files.h"

namespace vemtora {
namespace {

using namespace testing_support;

const std::string kPrefix = "lab/bench 1";
const std::string kReadingTopic = kPrefix + "/reading";
const std::string kStatusTopic = kPrefix + "/status";

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
    return parts;
}

std::size_t countContaining(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class MqttLogger : public ::testing::Test {
protected:
    void SetUp() override {
        // Readings that differ from interval to interval, so a reading sent twice or out of
        // place shows.
        meter_ = std::make_unique<Meter>(folder / "COM5", kLineDelivery, std::vector<std::string>{"--noise", "0.05"});
        ASSERT_TRUE(meter_->started());
    }

    ChildProcess& startLogger(const std::string& url, const std::vector<std::string>& more = {},
                              const std::function<void()>& beforeExec = {}) {
        std::vector<std::string> arguments{"--device-folder",
                                           folder.path(),
                                           "--log",
                                           folder / "meter.log",
                                           "--iso-time",
                                           "--interval",
                                           "0.2",
                                           "--mqtt",
                                           url};
        arguments.insert(arguments.end(), more.begin(), more.end());
        std::vector<std::string> argv = launcher_;
        for (const std::string& word : loggerCommand(arguments)) argv.push_back(word);
        logger_ = std::make_unique<ChildProcess>(argv, beforeExec);
        return *logger_;
    }

    std::string plainUrl(int port) const { return "mqtt://127.0.0.1:" + std::to_string(port) + "/lab/bench%201"; }

    // Lines on standard output: the logger goes on whatever the broker does.
    void expectLines(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(logger_->out().next(secondsFromNow(10)))
                << "line " << i << "; " << logger_->err().rest(secondsFromNow(1));
        }
    }

    // Ends the logger cleanly; returns what it said on standard error.
    std::string end() {
        logger_->signal(SIGTERM);
        EXPECT_TRUE(exitedWith(logger_->waitForExit(secondsFromNow(10)), 0));
        return logger_->err().rest(secondsFromNow(5));
    }

    // Every line of the log, in order, as a reading message with the same time and digits.
    // subscriber: on the whole prefix; the logger's offline comes after its last reading.
    // qosRepeats: a broker that stops may have passed on readings whose acknowledgement it
    // never sent; QoS 1 sends those again after the restart: only those in flight, at most
    // the send window.
    void expectTheLogIn(TestSubscriber& subscriber, bool qosRepeats = false) {
        const std::vector<std::string> lines = split(fileContents(folder / "meter.log"), '\n');
        ASSERT_GE(lines.size(), 5u);
        EXPECT_TRUE(subscriber.waitForLast(kStatusTopic, "offline", secondsFromNow(5)));
        std::vector<std::string> payloads = subscriber.payloads(kReadingTopic);
        if (qosRepeats) {
            std::set<std::string> seen;
            const std::size_t received = payloads.size();
            std::erase_if(payloads, [&](const std::string& payload) { return !seen.insert(payload).second; });
            EXPECT_LE(received - payloads.size(), static_cast<std::size_t>(mqtt::kSendWindow));
        }
        ASSERT_EQ(payloads.size(), lines.size());
        double wattHours = 0.0;  // from the log's rounded digits
        for (std::size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(lines[i] + " | " + payloads[i]);
            const std::vector<std::string> fields = split(lines[i], '\t');
            ASSERT_EQ(fields.size(), 4u);
            const auto json = nlohmann::json::parse(payloads[i], nullptr, false);
            ASSERT_TRUE(json.is_object());
            EXPECT_EQ(json.value("time", ""), fields[0]);
            const char* names[] = {"volts", "amperes", "watts"};
            for (int k = 0; k < 3; ++k) {
                ASSERT_TRUE(json[names[k]].is_number());
                // The log's very digits, as a JSON number.
                EXPECT_NE(payloads[i].find("\"" + std::string(names[k]) + "\":" + fields[k + 1] + ","),
                          std::string::npos);
                EXPECT_DOUBLE_EQ(json[names[k]].get<double>(), std::stod(fields[k + 1]));
            }
            EXPECT_GT(json.value("frames", 0), 0);
            EXPECT_DOUBLE_EQ(json.value("interval", 0.0), 0.2);
            wattHours += std::stod(fields[3]) * 0.2 / 3600;
            EXPECT_NEAR(json.value("energy_wh", 0.0), wattHours, wattHours * 1e-3);
        }
    }

    TempFolder folder;
    std::vector<std::string> launcher_;  // runs the logger's command, when not empty
    std::unique_ptr<Meter> meter_;
    std::unique_ptr<ChildProcess> logger_;
};

// A throwaway CA and a server certificate for 127.0.0.1 signed by it; another CA beside them.
void makeCertificates(const TempFolder& folder) {
    std::ofstream(folder / "server.ext") << "subjectAltName=IP:127.0.0.1\n";
    const std::vector<std::string> key{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    const auto run = [&](std::vector<std::string> argv) {
        argv.insert(argv.begin(), "/usr/bin/openssl");
        ChildProcess openssl(argv);
        EXPECT_TRUE(exitedWith(openssl.waitForExit(secondsFromNow(20)), 0)) << openssl.err().rest(secondsFromNow(1));
    };
    for (const std::string ca : {"ca", "other-ca"}) {
        std::vector<std::string> argv{"req",     "-x509",
                                      "-days",   "1",
                                      "-subj",   "/CN=Vemtora test " + ca,
                                      "-keyout", folder / (ca + ".key"),
                                      "-out",    folder / (ca + ".pem")};
        argv.insert(argv.begin() + 2, key.begin(), key.end());
        run(argv);
    }
    std::vector<std::string> request{
        "req", "-subj", "/CN=127.0.0.1", "-keyout", folder / "server.key", "-out", folder / "server.csr"};
    request.insert(request.begin() + 1, key.begin(), key.end());
    run(request);
    run({"x509", "-req", "-days", "1", "-in", folder / "server.csr", "-CA", folder / "ca.pem", "-CAkey",
         folder / "ca.key", "-CAcreateserial", "-extfile", folder / "server.ext", "-out", folder / "server.pem"});
}

TEST_F(MqttLogger, EveryIntervalArrivesOnceInOrderAndTheStatusFollowsTheLogger) {
    TestBroker broker(folder, {"allow_anonymous true", "persistence false"});
    TestSubscriber subscriber(broker.port(), kPrefix + "/#");
    startLogger(plainUrl(broker.port()));
    expectLines(3);
    {
        TestSubscriber fresh(broker.port(), kStatusTopic);
        const auto seen = fresh.waitFor(kStatusTopic, 1, secondsFromNow(5));
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].payload, "online");
        EXPECT_TRUE(seen[0].retained);
    }
    expectLines(5);
    EXPECT_EQ(end(), "");
    expectTheLogIn(subscriber);
    // A clean end says offline itself: the will is for a logger that vanishes.
    EXPECT_EQ(subscriber.payloads(kStatusTopic), (std::vector<std::string>{"online", "offline"}));
}

TEST_F(MqttLogger, AVanishedLoggerIsOfflineByItsLastWill) {
    TestBroker broker(folder, {"allow_anonymous true", "persistence false"});
    startLogger(plainUrl(broker.port()));
    expectLines(3);
    logger_->signal(SIGKILL);
    ASSERT_TRUE(logger_->waitForExit(secondsFromNow(10)));
    // The broker sees the connection drop and publishes the will, retained.
    TestSubscriber watching(broker.port(), kStatusTopic);
    EXPECT_TRUE(watching.waitForLast(kStatusTopic, "offline", secondsFromNow(5)));
    TestSubscriber fresh(broker.port(), kStatusTopic);
    const auto seen = fresh.waitFor(kStatusTopic, 1, secondsFromNow(5));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].payload, "offline");
    EXPECT_TRUE(seen[0].retained);
}

// What Home Assistant's MQTT sensor needs from a discovery message to make an entity of a device
// that the Energy dashboard takes: one row per sensor.
TEST_F(MqttLogger, HomeAssistantFindsFourRetainedSensorsOfOneDevice) {
    const struct {
        const char* objectId;
        const char* deviceClass;
        const char* unit;
        const char* stateClass;
        const char* field;  // of the reading payload
    } sensors[] = {
        {"voltage", "voltage", "V", "measurement", "volts"},
        {"current", "current", "A", "measurement", "amperes"},
        {"power", "power", "W", "measurement", "watts"},
        {"energy", "energy", "kWh", "total_increasing", "energy_wh"},
    };
    TestBroker broker(folder, {"allow_anonymous true", "persistence false"});
    startLogger(plainUrl(broker.port()), {"--mqtt-discovery=ha/test"});
    expectLines(3);
    const std::string device = mqtt::discoveryDeviceId(kPrefix);
    // Subscribed after the logger's connect: only retained messages arrive.
    TestSubscriber fresh(broker.port(), "ha/test/#");
    const auto seen = fresh.waitFor("ha/test/sensor/" + device + "/energy/config", 1, secondsFromNow(5));
    ASSERT_EQ(seen.size(), 4u);
    std::set<std::string> uniqueIds;
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(seen[i].payload);
        EXPECT_EQ(seen[i].topic, "ha/test/sensor/" + device + "/" + sensors[i].objectId + "/config");
        EXPECT_TRUE(seen[i].retained);
        const auto json = nlohmann::json::parse(seen[i].payload, nullptr, false);
        ASSERT_TRUE(json.is_object());
        EXPECT_EQ(json.value("state_topic", ""), kReadingTopic);
        EXPECT_NE(json.value("value_template", "").find("value_json." + std::string(sensors[i].field)),
                  std::string::npos);
        EXPECT_EQ(json.value("device_class", ""), sensors[i].deviceClass);
        EXPECT_EQ(json.value("unit_of_measurement", ""), sensors[i].unit);
        EXPECT_EQ(json.value("state_class", ""), sensors[i].stateClass);
        EXPECT_EQ(json.value("availability_topic", ""), kStatusTopic);
        EXPECT_EQ(json.value("payload_available", ""), "online");
        EXPECT_EQ(json.value("payload_not_available", ""), "offline");
        uniqueIds.insert(json.value("unique_id", ""));
        EXPECT_EQ(json["device"]["identifiers"], nlohmann::json::array({device}));
        for (const char* key : {"name", "model", "sw_version"})
            EXPECT_FALSE(json["device"].value(key, "").empty()) << key;
        EXPECT_FALSE(json["origin"].value("name", "").empty());
    }
    EXPECT_EQ(uniqueIds.size(), 4u);
    EXPECT_FALSE(uniqueIds.contains(""));
    EXPECT_EQ(end(), "");
}

// The energy goes on where the last run left it, in the payload as in the file; another meter's
// file is refused rather than added to.
TEST_F(MqttLogger, TheEnergyGoesOnAcrossARestartWithItsStateFile) {
    TestBroker broker(folder, {"allow_anonymous true", "persistence false"});
    TestSubscriber subscriber(broker.port(), kReadingTopic);
    const std::string state = folder / "energy";
    const auto energyOf = [](const std::string& payload) {
        return nlohmann::json::parse(payload).value("energy_wh", -1.0);
    };
    startLogger(plainUrl(broker.port()), {"--energy-state", state});
    expectLines(5);
    EXPECT_EQ(countContaining(end(), state + " does not exist yet; the energy starts from zero"), 1u);
    const std::size_t firstRun = subscriber.payloads(kReadingTopic).size();
    ASSERT_GE(firstRun, 5u);
    const double before = energyOf(subscriber.payloads(kReadingTopic).back());
    EXPECT_GT(before, 0.0);

    startLogger(plainUrl(broker.port()), {"--energy-state", state});
    expectLines(2);
    EXPECT_EQ(end(), "");
    const std::vector<std::string> payloads = subscriber.payloads(kReadingTopic);
    ASSERT_GT(payloads.size(), firstRun);
    const auto first = nlohmann::json::parse(payloads[firstRun]);
    // The run's first reading adds its own energy to the kept total, nothing else; its watts
    // have the log's digits, at most half a watt from what was counted.
    EXPECT_NEAR(energyOf(payloads[firstRun]), before + first.value("watts", 0.0) * 0.2 / 3600, 0.5 * 0.2 / 3600);

    // A folder is not overwritten either.
    startLogger(plainUrl(broker.port()), {"--energy-state", folder.path()});
    EXPECT_TRUE(exitedWith(logger_->waitForExit(secondsFromNow(10)), 1));
    std::string text = fileContents(state);
    text.replace(text.find("meter ") + 6, 0, "other ");
    std::ofstream(state) << text;
    startLogger(plainUrl(broker.port()), {"--energy-state", state});
    EXPECT_TRUE(exitedWith(logger_->waitForExit(secondsFromNow(10)), 1));
    EXPECT_NE(logger_->err().rest(secondsFromNow(5)).find("give each meter a file of its own"), std::string::npos);
}

class MqttLoggerRestart : public MqttLogger, public ::testing::WithParamInterface<bool> {};

// Over TLS too: every attempt is a fresh client, so nothing of the broken session lingers.
TEST_P(MqttLoggerRestart, ABrokerRestartLosesNoIntervalAndRepeatsNone) {
    const bool tls = GetParam();
    // The broker keeps the subscriber's session across its restart; the logger keeps the readings.
    std::vector<std::string> configuration{"allow_anonymous true", "persistence true",
                                           "persistence_location " + folder.path() + "/"};
    std::vector<std::string> more;
    if (tls) {
        makeCertificates(folder);
        for (const char* line : {"cafile ca.pem", "certfile server.pem", "keyfile server.key"}) {
            const std::string words(line);
            configuration.push_back(words.substr(0, words.find(' ') + 1) + folder / words.substr(words.find(' ') + 1));
        }
        more = {"--mqtt-ca", folder / "ca.pem"};
    }
    TestBroker broker(folder, configuration);
    TestSubscriber subscriber(broker.port(), kPrefix + "/#",
                              {.clientId = "vemtora-test-subscriber", .caFile = tls ? folder / "ca.pem" : ""});
    startLogger((tls ? "mqtts" : "mqtt") + plainUrl(broker.port()).substr(4), more);
    subscriber.waitFor(kReadingTopic, 3, secondsFromNow(10));
    ASSERT_GE(subscriber.payloads(kReadingTopic).size(), 3u);
    broker.stop();
    expectLines(50);  // 10 s without a broker
    ASSERT_TRUE(broker.start());
    const auto back = logger_->err().next(secondsFromNow(40));
    ASSERT_TRUE(back);
    EXPECT_NE(back->find("cannot reach the MQTT broker 127.0.0.1:" + std::to_string(broker.port())), std::string::npos)
        << *back;
    const auto reached = logger_->err().next(secondsFromNow(40));
    ASSERT_TRUE(reached);
    EXPECT_NE(reached->find("reached the MQTT broker"), std::string::npos) << *reached;
    expectLines(10);
    EXPECT_EQ(end(), "");
    expectTheLogIn(subscriber, true);
}

INSTANTIATE_TEST_SUITE_P(Plain, MqttLoggerRestart, ::testing::Values(false));
INSTANTIATE_TEST_SUITE_P(Tls, MqttLoggerRestart, ::testing::Values(true));

// A resolver that never answers: in a network namespace of its own, the name server's address
// is routed to the loopback device, which drops what is not for it.
TEST_F(MqttLogger, TheEndIsPromptWhileTheBrokersNameDoesNotResolve) {
    std::ofstream(folder / "resolv.conf") << "nameserver 10.255.255.1\noptions timeout:30 attempts:5\n";
    launcher_ = {"/usr/bin/unshare",
                 "-rnm",
                 "/bin/sh",
                 "-ec",
                 "ip link set lo up; ip route add 10.0.0.0/8 dev lo; mount --bind \"$0\" /etc/resolv.conf; exec \"$@\"",
                 folder / "resolv.conf"};
    startLogger("mqtt://broker.invalid-name.test/lab");
    expectLines(15);
    logger_->signal(SIGTERM);
    // The promise is a second; the look-up would hold it for minutes.
    EXPECT_TRUE(exitedWith(logger_->waitForExit(secondsFromNow(1)), 0));
    const std::string said = logger_->err().rest(secondsFromNow(5));
    EXPECT_EQ(countContaining(said, "cannot reach the MQTT broker broker.invalid-name.test:1883 (no answer)"), 1u)
        << said;
}

TEST_F(MqttLogger, ABrokerAwayAtTheStartIsSaidOnceAndGetsEveryReadingWhenItComes) {
    const int port = freeLocalPort();
    startLogger(plainUrl(port));
    expectLines(15);
    const auto away = logger_->err().next(secondsFromNow(5));
    ASSERT_TRUE(away);
    EXPECT_EQ(*away, "vemtora-logger: cannot reach the MQTT broker 127.0.0.1:" + std::to_string(port) +
                         " (Connection refused); logging goes on and up to 36000 readings wait for it");

    TestBroker broker(folder, {"allow_anonymous true", "persistence false"}, port);
    TestSubscriber subscriber(port, kPrefix + "/#");
    const auto reached = logger_->err().next(secondsFromNow(40));
    ASSERT_TRUE(reached);
    EXPECT_TRUE(reached->starts_with("vemtora-logger: reached the MQTT broker 127.0.0.1:" + std::to_string(port) +
                                     "; sending "))
        << *reached;
    expectLines(5);
    EXPECT_EQ(end(), "");
    expectTheLogIn(subscriber);
}

struct RefusalCase {
    const char* name;
    std::string password;  // in the file the logger is given
    bool refused;
};

class MqttLoggerLogin : public MqttLogger, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(MqttLoggerLogin, AWrongPasswordIsSaidOnceAndTheLogGoesOn) {
    const std::string passwords = folder / "passwords";
    ChildProcess make({"/usr/bin/mosquitto_passwd", "-c", "-b", passwords, "meter", "right horse"});
    ASSERT_TRUE(exitedWith(make.waitForExit(secondsFromNow(10)), 0));
    TestBroker broker(folder, {"allow_anonymous false", "password_file " + passwords, "persistence false"});
    std::ofstream(folder / "password") << GetParam().password << "\nsecond line is not read\n";
    ASSERT_EQ(::chmod((folder / "password").c_str(), 0600), 0);
    TestSubscriber subscriber(broker.port(), kPrefix + "/#", {.user = "meter", .password = "right horse"});
    startLogger("mqtt://meter@127.0.0.1:" + std::to_string(broker.port()) + "/lab/bench%201",
                {"--mqtt-password-file", folder / "password"});
    expectLines(15);
    const std::string said = end();
    if (GetParam().refused) {
        EXPECT_EQ(countContaining(said, "refused the connection: Connection Refused: not authorised; logging goes on"),
                  1u)
            << said;
        EXPECT_TRUE(subscriber.payloads(kReadingTopic).empty());
    } else {
        EXPECT_EQ(said, "");
        expectTheLogIn(subscriber);
    }
}

INSTANTIATE_TEST_SUITE_P(Passwords, MqttLoggerLogin,
                         ::testing::Values(RefusalCase{"Right", "right horse", false},
                                           RefusalCase{"Wrong", "wrong horse", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TlsCase {
    const char* name;
    const char* caFile;
    bool trusted;
};

class MqttLoggerTls : public MqttLogger, public ::testing::WithParamInterface<TlsCase> {};

TEST_P(MqttLoggerTls, ABrokerOfAnotherCaIsSaidClearlyAndTheLogGoesOn) {
    makeCertificates(folder);
    TestBroker broker(folder, {"allow_anonymous true", "persistence false", "cafile " + folder / "ca.pem",
                               "certfile " + folder / "server.pem", "keyfile " + folder / "server.key"});
    TestSubscriber subscriber(broker.port(), kPrefix + "/#", {.caFile = folder / "ca.pem"});
    startLogger("mqtts://127.0.0.1:" + std::to_string(broker.port()) + "/lab/bench%201",
                {"--mqtt-ca", folder / GetParam().caFile});
    expectLines(15);
    const std::string said = end();
    if (GetParam().trusted) {
        EXPECT_EQ(said, "");
        expectTheLogIn(subscriber);
    } else {
        EXPECT_TRUE(subscriber.payloads(kReadingTopic).empty());
        EXPECT_EQ(countContaining(said, "vemtora-logger: TLS with the MQTT broker 127.0.0.1:" +
                                            std::to_string(broker.port()) + " failed ("),
                  1u)
            << said;
        EXPECT_EQ(countContaining(said, "certificate verify failed"), 1u) << said;
    }
}

INSTANTIATE_TEST_SUITE_P(Authorities, MqttLoggerTls,
                         ::testing::Values(TlsCase{"TheBrokersCa", "ca.pem", true},
                                           TlsCase{"AnotherCa", "other-ca.pem", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vemtora
