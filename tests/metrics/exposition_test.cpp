// The text --metrics serves, and the addresses --metrics takes, without a network.
#include "io/metrics/exposition.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "io/metrics/listen_address.h"

namespace vemtora::metrics {
namespace {

struct Sample {
    std::string device;  // the label as written, escapes and all
    std::string value;
};

// The samples of a text whose format the committed file below holds: name{device="..."} value.
std::map<std::string, Sample> samples(const std::string& text) {
    std::map<std::string, Sample> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with('#')) continue;
        const auto open = line.find("{device=\"");
        const auto close = line.rfind("\"} ");
        if (open == std::string::npos || close == std::string::npos || close < open) {
            ADD_FAILURE() << "not a sample: '" << line << "'";
            continue;
        }
        found[line.substr(0, open)] = {line.substr(open + 9, close - open - 9), line.substr(close + 3)};
    }
    return found;
}

IntervalReading reading(double volts, double amperes, double watts, std::int32_t frames, std::int32_t intervalMs) {
    IntervalReading r;
    r.volts = volts;
    r.amperes = amperes;
    r.watts = watts;
    r.frameCount = frames;
    r.intervalMs = intervalMs;
    return r;
}

TEST(MetricsExposition, ServesTheTotalsOfTheReadingsSoFar) {
    const struct {
        const char* name;
        bool connected;
        std::vector<IntervalReading> readings;
        std::map<std::string, std::string> expected;  // value by metric; absent: no sample at all
    } rows[] = {
        {"before any reading",
         false,
         {},
         {{"vemtora_frames_total", "0"},
          {"vemtora_intervals_total", "0"},
          {"vemtora_energy_joules_total", "0"},
          {"vemtora_connected", "0"}}},
        {"connected, still no reading",
         true,
         {},
         {{"vemtora_frames_total", "0"},
          {"vemtora_intervals_total", "0"},
          {"vemtora_energy_joules_total", "0"},
          {"vemtora_connected", "1"}}},
        // 125.3 W for 0.5 s, 100 W for 0.1 s, 2000 W for 30 s: 62.65 + 10 + 60000 J.
        {"the last reading's averages, the energy of intervals of different lengths",
         true,
         {reading(64.6, 1.94, 125.3, 10, 500), reading(50, 2, 100, 2, 100), reading(100, 20, 2000, 600, 30000)},
         {{"vemtora_volts", "100"},
          {"vemtora_amperes", "20"},
          {"vemtora_watts", "2000"},
          {"vemtora_frames_total", "612"},
          {"vemtora_intervals_total", "3"},
          {"vemtora_energy_joules_total", "60072.65"},
          {"vemtora_connected", "1"},
          {"vemtora_last_reading_timestamp_seconds", "1796720707.5"}}},
        // The shortest digits that read back the same double, never a comma or an exponent of 0.
        {"fractions as the core averages them",
         false,
         {reading(64.6, 1.9400000000000002, 0.1, 3, 200)},
         {{"vemtora_volts", "64.6"},
          {"vemtora_amperes", "1.9400000000000002"},
          {"vemtora_watts", "0.1"},
          {"vemtora_frames_total", "3"},
          {"vemtora_intervals_total", "1"},
          {"vemtora_energy_joules_total", "0.02"},
          {"vemtora_connected", "0"},
          {"vemtora_last_reading_timestamp_seconds", "1796720707.5"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MeterTotals totals;
        totals.connected = row.connected;
        for (const IntervalReading& r : row.readings) addReading(totals, r, 1796720707.5);
        const auto found = samples(exposition(totals, "COM5"));
        std::map<std::string, std::string> values;
        for (const auto& [name, sample] : found) {
            values[name] = sample.value;
            EXPECT_EQ(sample.device, "COM5") << name;
        }
        EXPECT_EQ(values, row.expected);
    }
}

// The whole text, byte for byte, as Prometheus reads it: HELP and TYPE before each family.
TEST(MetricsExposition, IsTheCommittedText) {
    MeterTotals totals;
    totals.connected = true;
    for (const IntervalReading& r :
         {reading(64.6, 1.94, 125.3, 10, 500), reading(50, 2, 100, 2, 100), reading(100, 20, 2000, 600, 30000)}) {
        addReading(totals, r, 1796720707.5);
    }
    std::ifstream file(EXPECTED_EXPOSITION_PATH);
    const std::string expected{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(exposition(totals, "COM5"), expected);
}

TEST(MetricsExposition, EachMetricHasItsTypeBaseUnitAndIsInTheManual) {
    MeterTotals totals;
    addReading(totals, reading(1, 1, 1, 1, 100), 1.0);
    const auto found = samples(exposition(totals, "COM5"));
    std::ifstream manual(MAN_PAGE_PATH);
    const std::string page{std::istreambuf_iterator<char>(manual), std::istreambuf_iterator<char>()};
    ASSERT_EQ(found.size(), kMetrics.size());
    for (const MetricInfo& metric : kMetrics) {
        const std::string name(metric.name);
        SCOPED_TRACE(name);
        ASSERT_EQ(found.count(name), 1u);
        // Prometheus' conventions: counters end in _total, nothing in a scaled unit.
        EXPECT_EQ(metric.type == "counter", name.ends_with("_total"));
        EXPECT_EQ(name.find("kilo"), std::string::npos);
        // The man page escapes its underscores not at all, but may break the name with \%.
        EXPECT_NE(page.find(name), std::string::npos) << "the man page does not name it";
    }
}

TEST(MetricsExposition, DeviceLabelIsEscapedAsTheFormatWants) {
    const struct {
        std::string device;
        std::string label;
    } rows[] = {
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0"},
        {"/tmp/a\"b", "/tmp/a\\\"b"},
        {"C:\\x", "C:\\\\x"},
        {"line\nbreak", "line\\nbreak"},
        {"\\\"\n", "\\\\\\\"\\n"},
        {"caf\xc3\xa9", "caf\xc3\xa9"},  // UTF-8 stays
        {"caf\xe9", "caf?"},             // Latin-1 is no UTF-8: Prometheus would refuse the scrape
        {"\xc0\xaf", "??"},              // an overlong '/'
        {"", ""},
    };
    for (const auto& row : rows) {
        MeterTotals totals;
        const auto found = samples(exposition(totals, row.device));
        ASSERT_EQ(found.count("vemtora_connected"), 1u) << row.device;
        EXPECT_EQ(found.at("vemtora_connected").device, row.label);
        EXPECT_EQ(labelValue(row.device), row.label);
    }
}

TEST(MetricsListenAddress, ReadsNumericAddressesAndPorts) {
    const struct {
        const char* text;
        int family;
        const char* host;
        int port;
        const char* shown;
    } rows[] = {
        {"9100", AF_INET, "127.0.0.1", 9100, "127.0.0.1:9100"},
        {"1", AF_INET, "127.0.0.1", 1, "127.0.0.1:1"},
        {"0.0.0.0:65535", AF_INET, "0.0.0.0", 65535, "0.0.0.0:65535"},
        {"192.168.1.20:09100", AF_INET, "192.168.1.20", 9100, "192.168.1.20:9100"},
        {"[::]:9100", AF_INET6, "::", 9100, "[::]:9100"},
        {"[::1]:80", AF_INET6, "::1", 80, "[::1]:80"},
        {"[::ffff:10.0.0.1]:80", AF_INET6, "::ffff:10.0.0.1", 80, "[::ffff:10.0.0.1]:80"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const ParsedListenAddress parsed = parseListenAddress(row.text);
        ASSERT_TRUE(parsed.address) << parsed.error;
        const ListenAddress& a = *parsed.address;
        EXPECT_EQ(a.address.ss_family, row.family);
        EXPECT_EQ(a.text, row.shown);
        char host[INET6_ADDRSTRLEN] = {};
        if (row.family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(&a.address);
            EXPECT_EQ(a.length, sizeof(sockaddr_in));
            EXPECT_EQ(ntohs(in->sin_port), row.port);
            ::inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        } else {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&a.address);
            EXPECT_EQ(a.length, sizeof(sockaddr_in6));
            EXPECT_EQ(ntohs(in6->sin6_port), row.port);
            ::inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
        }
        EXPECT_STREQ(host, row.host);
    }
}

}  // namespace
}  // namespace vemtora::metrics
