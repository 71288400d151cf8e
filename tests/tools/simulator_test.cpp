#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "core/frame_scanner.h"
#include "core/meter_frame.h"
#include "tools/meter_simulator/frame_source.h"
#include "tools/meter_simulator/simulator_options.h"

namespace vemtora::simulator {
namespace {

TEST(Unescape, TurnsEscapesIntoBytes) {
    EXPECT_EQ(unescape("a1\\t2\\t3z"), std::string("a1\t2\t3z"));
    EXPECT_EQ(unescape("\\r\\n\\x03\\x7f\\xFF\\\\"), std::string("\r\n\x03\x7f\xff\\"));
    EXPECT_EQ(unescape("\\0"), std::string(1, '\0'));
    for (const char* bad : {"\\", "\\q", "\\x", "\\x1", "\\xg0"}) EXPECT_EQ(unescape(bad), std::nullopt) << bad;
}

TEST(SimulatorOptions, ReadsValuesAndRefusesNonsense) {
    std::string error;
    const auto options =
        parseSimulatorOptions({"--link", "/tmp/a", "--link", "/tmp/b", "--baud", "38400", "--voltage", "-5", "--noise",
                               "0.1", "--hold", "--delivery", "bursts", "--frames", "40"},
                              error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->links.size(), 2u);
    EXPECT_EQ(options->baudRate, 38400);
    EXPECT_EQ(options->rawVoltage, -5);
    EXPECT_EQ(options->noise, 0.1);
    EXPECT_TRUE(options->hold);
    EXPECT_EQ(options->delivery, Delivery::Bursts);
    EXPECT_EQ(options->frames, 40u);
    EXPECT_EQ(options->overrun, Overrun::Hold);
    EXPECT_EQ(parseSimulatorOptions({}, error)->delivery, Delivery::Bytes);
    EXPECT_TRUE(parseSimulatorOptions({"--baud", "1200", "--help"}, error)->help);
    const auto dropping = parseSimulatorOptions({"--delivery", "bytes,drop"}, error);
    ASSERT_TRUE(dropping) << error;
    EXPECT_EQ(dropping->delivery, Delivery::Bytes);
    EXPECT_EQ(dropping->overrun, Overrun::Drop);
    for (const auto& bad : std::vector<std::vector<std::string>>{{"--baud"},
                                                                 {"--baud", "0"},
                                                                 {"--baud", "12x"},
                                                                 {"--noise", "2"},
                                                                 {"--what", "1"},
                                                                 {"--raw", "\\q"},
                                                                 {"--delivery", "fast"},
                                                                 {"--delivery", ",drop"},
                                                                 {"--delivery", "bursts,"},
                                                                 {"--frames", "-1"}}) {
        EXPECT_FALSE(parseSimulatorOptions(bad, error)) << bad[0];
    }
}

// What the simulator calls well-formed is exactly what the program's scanner counts.
TEST(FrameSource, WellFormedFramesAreTheOnesTheScannerCounts) {
    SimulatorOptions options;
    options.noise = 0.2;
    options.malformed = 0.5;
    FrameSource source(options);
    FrameScanner scanner;
    int wellFormedCount = 0;
    IntervalAccumulator totals;
    for (int i = 0; i < 400; ++i) {
        bool wellFormed = false;
        const std::string frame = source.next(wellFormed);
        const int before = totals.frameCount;
        scanner.scan(frame, [&](const MeterFrame& found) { totals.addFrame(found, {}); });
        scanner.dropPendingFrame();  // a frame broken off must not swallow the next one
        EXPECT_EQ(totals.frameCount - before, wellFormed ? 1 : 0) << frame;
        wellFormedCount += wellFormed ? 1 : 0;
    }
    EXPECT_GT(wellFormedCount, 100);
    EXPECT_LT(wellFormedCount, 300);
}

struct ProcessOutput {
    FILE* pipe;
    ~ProcessOutput() {
        if (pipe) pclose(pipe);
    }
};

std::string firstLine(FILE* pipe) {
    char line[256] = {};
    if (!std::fgets(line, sizeof line, pipe)) return {};
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// What one reader sees: the bytes, and the largest share any single read returned.
struct Received {
    std::string bytes;
    std::size_t largestRead = 0;
};

Received readAsTheyCome(int fd, std::size_t want, std::chrono::milliseconds deadline) {
    Received got;
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (got.bytes.size() < want && std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char buf[256];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        got.bytes.append(buf, static_cast<std::size_t>(n));
        got.largestRead = std::max(got.largestRead, static_cast<std::size_t>(n));
    }
    return got;
}

// 13-byte frames back to back at 1200 bit/s: 120 bytes a second, by default one at a time.
TEST(SimulatorProgram, StreamsFramesPacedAtTheLineRateOneByteAtATime) {
    ProcessOutput sim{popen(SIMULATOR_PATH " --baud 1200 --frames-per-second 0 --duration 3", "r")};
    ASSERT_TRUE(sim.pipe);
    const std::string device = firstLine(sim.pipe);
    const int fd = open(device.c_str(), O_RDONLY | O_NOCTTY);
    ASSERT_GE(fd, 0) << device;
    const auto start = std::chrono::steady_clock::now();
    const Received got = readAsTheyCome(fd, 130, std::chrono::seconds(3));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    close(fd);
    ASSERT_GE(got.bytes.size(), 130u);
    EXPECT_EQ(got.bytes.substr(0, 13), "a1000\t200\t10z");
    // 130 bytes cannot arrive in much less than a second at 1200 bit/s, nor many in one read.
    EXPECT_GT(elapsed, std::chrono::milliseconds(700));
    EXPECT_LE(got.largestRead, 4u);
}

TEST(SimulatorProgram, HoldsUntilReleasedThenSendsExactlyTheFramesAskedFor) {
    ProcessOutput sim{popen(SIMULATOR_PATH " --baud 9600 --frames-per-second 0 --frames 7 --hold --delivery bursts"
                                           " & echo $!; wait",
                            "r")};
    ASSERT_TRUE(sim.pipe);
    const std::string pid = firstLine(sim.pipe);
    const std::string device = firstLine(sim.pipe);
    const int fd = open(device.c_str(), O_RDONLY | O_NOCTTY);
    ASSERT_GE(fd, 0) << device;
    EXPECT_EQ(readAsTheyCome(fd, 1, std::chrono::milliseconds(300)).bytes, "");
    ASSERT_EQ(kill(std::stoi(pid), SIGUSR1), 0);
    EXPECT_EQ(readAsTheyCome(fd, 7 * 13, std::chrono::seconds(2)).bytes.size(), 7 * 13u);
    EXPECT_EQ(firstLine(sim.pipe), "sent 7 frames, 7 well-formed");
    EXPECT_EQ(readAsTheyCome(fd, 1, std::chrono::milliseconds(200)).bytes, "");
    close(fd);
    kill(std::stoi(pid), SIGTERM);
}

TEST(SimulatorProgram, SendsRawBytesThroughALink) {
    const std::string link = ::testing::TempDir() + "vemtora-sim-link-" + std::to_string(getpid());
    const std::string command =
        std::string(SIMULATOR_PATH) + " --duration 2 --link " + link + " --raw 'a1\\t2\\t3z\\xff'";
    ProcessOutput sim{popen(command.c_str(), "r")};
    ASSERT_TRUE(sim.pipe);
    ASSERT_FALSE(firstLine(sim.pipe).empty());
    const int fd = open(link.c_str(), O_RDONLY | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(readAsTheyCome(fd, 8, std::chrono::seconds(2)).bytes, "a1\t2\t3z\xff");
    close(fd);
    pclose(sim.pipe);
    sim.pipe = nullptr;
    EXPECT_NE(access(link.c_str(), F_OK), 0) << "the link outlived the simulator";
}

}  // namespace
}  // namespace vemtora::simulator
