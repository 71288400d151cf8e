// The real vemtora-logger against the real meter simulator on a pseudo-terminal: its lines on
// standard output and in the log, a meter unplugged and plugged in again, signals, a reader
// that goes away and a log that cannot grow.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/meter.h"
#include "tests/support/test_files.h"

namespace vemtora {
namespace {

using namespace testing_support;

const std::regex kClockLine(R"((\d\d):(\d\d):(\d\d)\.(\d)\t(.*))");
// The dated form carries the clock's offset from UTC.
const std::regex kDatedLine(R"((\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)\.(\d)[+-]\d\d:\d\d\t(.*))");

struct StampedLine {
    long tenthsOfDay = -1;  // -1: the line is not well formed
    std::string readings;
};

StampedLine readLine(const std::string& line, bool dated) {
    std::smatch m;
    if (!std::regex_match(line, m, dated ? kDatedLine : kClockLine)) return {};
    const std::size_t h = dated ? 4 : 1;
    const auto field = [&](std::size_t i) { return std::stol(m[i].str()); };
    return {((field(h) * 60 + field(h + 1)) * 60 + field(h + 2)) * 10 + field(h + 3), m[h + 4].str()};
}

class LoggerRun : public ::testing::Test {
protected:
    std::string link() const { return folder / "COM5"; }
    std::string logPath() const { return folder / "meter.log"; }

    ChildProcess& startLogger(const std::vector<std::string>& options, const std::function<void()>& beforeExec = {}) {
        std::vector<std::string> arguments{"--log", logPath()};
        // A device by its path takes the place of the folder of COM names.
        if (std::find(options.begin(), options.end(), "--device") == options.end()) {
            arguments.insert(arguments.end(), {"--device-folder", folder.path()});
        }
        arguments.insert(arguments.end(), options.begin(), options.end());
        logger_ = std::make_unique<ChildProcess>(loggerCommand(arguments), beforeExec);
        return *logger_;
    }

    // Lines from standard output until one holds `readings`; every line read is kept in `seen`.
    bool readUntil(const std::string& readings, std::vector<std::string>& seen) {
        const auto deadline = secondsFromNow(15);
        while (const auto line = logger_->out().next(deadline)) {
            seen.push_back(*line);
            if (line->find(readings) != std::string::npos) return true;
        }
        return false;
    }

    // Ends the logger with a signal and status 0; returns all it wrote to standard output.
    std::string end(const std::vector<std::string>& seen, int signal = SIGTERM) {
        logger_->signal(signal);
        EXPECT_TRUE(exitedWith(logger_->waitForExit(secondsFromNow(10)), 0));
        std::string output;
        for (const auto& line : seen) output += line + "\n";
        return output + logger_->out().rest(secondsFromNow(5));
    }

    // What it wrote to standard output must be the log, byte for byte.
    void endAndCompareWithLog(const std::vector<std::string>& seen, int signal = SIGTERM) {
        const std::string output = end(seen, signal);
        EXPECT_EQ(fileContents(logPath()), output);
        EXPECT_EQ(output.back(), '\n');
    }

    TempFolder folder;
    std::unique_ptr<ChildProcess> logger_;
};

struct LinesCase {
    const char* name;
    std::vector<std::string> simulator;
    std::vector<std::string> logger;
    const char* readings;
    long intervalTenths;
    bool dated;
};

void PrintTo(const LinesCase& c, std::ostream* out) { *out << c.name; }

class LoggerLines : public LoggerRun, public ::testing::WithParamInterface<std::tuple<Delivery, LinesCase>> {};

TEST_P(LoggerLines, AreExactOnePerIntervalOnStandardOutputAndInTheLog) {
    const auto& [delivery, c] = GetParam();
    Meter meter(link(), delivery, c.simulator);
    ASSERT_TRUE(meter.started());
    std::vector<std::string> options = c.logger;
    for (auto& option : options) {
        if (option == "LINK") option = link();
    }
    ChildProcess& logger = startLogger(options);

    std::vector<std::string> seen;
    std::vector<long> stamps;
    for (int i = 0; i < 4; ++i) {
        const auto line = logger.out().next(secondsFromNow(15));
        ASSERT_TRUE(line) << "line " << i << "; " << logger.err().rest(secondsFromNow(1));
        seen.push_back(*line);
        const StampedLine read = readLine(*line, c.dated);
        ASSERT_GE(read.tenthsOfDay, 0) << *line;
        EXPECT_EQ(read.readings, c.readings);
        stamps.push_back(read.tenthsOfDay);
    }
    // The report ticks keep a fixed rhythm: the k-th line is k intervals after the first, give or
    // take the time a busy machine takes to wake the logger; a lost or doubled line is a whole
    // interval off.
    for (std::size_t k = 1; k < stamps.size(); ++k) {
        const long elapsed = (stamps[k] - stamps[0] + 864000) % 864000;
        EXPECT_NEAR(elapsed, static_cast<long>(k) * c.intervalTenths, 2) << seen[k];
    }
    endAndCompareWithLog(seen);
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)), "");
}

const LinesCase kLinesCases[] = {
    {"Defaults", {}, {"--interval", "0.5"}, "64.6\t1.94\t125.3", 5, false},
    {"Dated38400",
     {"--baud", "38400"},
     {"--speed", "38400", "--interval", "1", "--iso-time"},
     "64.6\t1.94\t125.3",
     10,
     true},
    {"ScalesFromTheWindowsArguments", {}, {"4", "1", "2", "--interval", "0.5"}, "100.0\t40.00\t4000.0", 5, false},
    {"DeviceByPathAt1200",
     {"--baud", "1200"},
     {"--device", "LINK", "--speed", "1200", "--interval", "0.5"},
     "64.6\t1.94\t125.3",
     5,
     false},
};

INSTANTIATE_TEST_SUITE_P(Cases, LoggerLines,
                         ::testing::Combine(::testing::ValuesIn(kDeliveries), ::testing::ValuesIn(kLinesCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == Delivery::Whole ? "Whole" : "Bytes") +
                                    std::get<1>(info.param).name;
                         });

class LoggerUnplug : public LoggerRun, public ::testing::WithParamInterface<Delivery> {
protected:
    // The one message line the logger gives, matched against a pattern.
    void expectMessage(const std::string& pattern) {
        const auto line = logger_->err().next(secondsFromNow(10));
        ASSERT_TRUE(line) << "no message matching " << pattern;
        EXPECT_TRUE(std::regex_match(*line, std::regex(pattern))) << *line;
    }
    std::string quotedLink() const {
        return std::regex_replace(link(), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
    }
};

TEST_P(LoggerUnplug, SaysSoReconnectsAndResumes) {
    auto meter = std::make_unique<Meter>(link(), GetParam(), std::vector<std::string>{"--voltage", "1000"});
    ASSERT_TRUE(meter->started());
    startLogger({"--interval", "0.5"});
    std::vector<std::string> seen;
    ASSERT_TRUE(readUntil("\t64.6\t", seen));

    meter->unplug();
    expectMessage("vemtora-logger: " + quotedLink() + " went away: .+; trying to open it again every second");
    meter = std::make_unique<Meter>(link(), GetParam(), std::vector<std::string>{"--voltage", "2000"});
    ASSERT_TRUE(meter->started());
    expectMessage("vemtora-logger: " + quotedLink() + " is back; reading again");
    ASSERT_TRUE(readUntil("\t129.2\t", seen));

    // Old readings, then new ones; never an interval that mixes them.
    const auto firstNew =
        std::find_if(seen.begin(), seen.end(), [](const auto& l) { return l.find("\t129.2\t") != std::string::npos; });
    for (auto line = seen.begin(); line != seen.end(); ++line) {
        EXPECT_EQ(readLine(*line, false).readings, line < firstNew ? "64.6\t1.94\t125.3" : "129.2\t1.94\t250.6");
    }
    endAndCompareWithLog(seen);
}

TEST_P(LoggerUnplug, WithNoReconnectSaysSoAndExitsWith1) {
    Meter meter(link(), GetParam());
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger({"--interval", "0.2", "--no-reconnect"});
    std::vector<std::string> seen;
    ASSERT_TRUE(readUntil("\t64.6\t", seen));
    meter.unplug();
    expectMessage("vemtora-logger: " + quotedLink() + " went away: .+; exiting \\(--no-reconnect\\)");
    EXPECT_TRUE(exitedWith(logger.waitForExit(secondsFromNow(10)), 1));
    std::string output;
    for (const auto& line : seen) output += line + "\n";
    output += logger.out().rest(secondsFromNow(5));
    EXPECT_EQ(fileContents(logPath()), output);
}

// The first meter leaves "a1" behind; the second begins with "000\t200\t10z". Joined, they would
// make a 64.6 V frame after the reconnect.
TEST_P(LoggerUnplug, NoFrameJoinsBytesFromBeforeAndAfter) {
    auto meter = std::make_unique<Meter>(link(), GetParam(), std::vector<std::string>{"--raw", "a1000\\t200\\t10za1"});
    ASSERT_TRUE(meter->started());
    startLogger({"--interval", "0.5"});
    std::vector<std::string> seen;
    ASSERT_TRUE(readUntil("\t64.6\t", seen));
    meter->unplug();
    expectMessage(".* went away: .*");
    meter = std::make_unique<Meter>(link(), GetParam(),
                                    std::vector<std::string>{"--raw", "000\\t200\\t10za2000\\t200\\t10z"});
    expectMessage(".* is back; reading again");
    const auto line = logger_->out().next(secondsFromNow(10));
    ASSERT_TRUE(line);
    EXPECT_EQ(readLine(*line, false).readings, "129.2\t1.94\t250.6");
}

INSTANTIATE_TEST_SUITE_P(Deliveries, LoggerUnplug, ::testing::ValuesIn(kDeliveries),
                         [](const auto& info) { return info.param == Delivery::Whole ? "Whole" : "Bytes"; });

struct SignalsCase {
    const char* name;
    std::vector<int> ignoredAtStart;  // as nohup and a shell's & job start a program
    std::vector<int> survived;        // sent first; the logger must keep logging through them
    int ending;
};

void PrintTo(const SignalsCase& c, std::ostream* out) { *out << c.name; }

class LoggerSignals : public LoggerRun, public ::testing::WithParamInterface<SignalsCase> {};

TEST_P(LoggerSignals, EndTheRunWithWholeLinesAndStatus0) {
    const SignalsCase& c = GetParam();
    Meter meter(link(), kLineDelivery, {"--baud", "38400", "--frames-per-second", "0"});
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger({"--speed", "38400", "--interval", "0.1"}, [&] {
        for (const int signal : c.ignoredAtStart) std::signal(signal, SIG_IGN);
    });
    std::vector<std::string> seen;
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(readUntil("\t64.6\t1.94\t125.3", seen));
    for (const int signal : c.survived) {
        logger.signal(signal);
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(readUntil("\t64.6\t1.94\t125.3", seen)) << sigabbrev_np(signal);
    }
    endAndCompareWithLog(seen, c.ending);
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)), "");
}

INSTANTIATE_TEST_SUITE_P(Signals, LoggerSignals,
                         ::testing::Values(SignalsCase{"TERM", {}, {}, SIGTERM}, SignalsCase{"INT", {}, {}, SIGINT},
                                           SignalsCase{"HUP", {}, {}, SIGHUP},
                                           SignalsCase{
                                               "HupAndIntIgnoredAtStart", {SIGHUP, SIGINT}, {SIGHUP, SIGINT}, SIGTERM}),
                         [](const auto& info) { return std::string(info.param.name); });

// With --format json standard output has one object per log line, with the same time and
// digits; the --metrics-file counts the same.
TEST_F(LoggerRun, DurationEndsTheRunAsAStopWouldWithStatus0) {
    Meter meter(link(), kLineDelivery);
    ASSERT_TRUE(meter.started());
    const std::string metrics = folder / "meter.prom";
    ChildProcess& logger =
        startLogger({"--interval", "0.2", "--duration", "1s", "--format", "json", "--metrics-file", metrics});
    // No signal: the run ends by itself.
    EXPECT_TRUE(exitedWith(logger.waitForExit(secondsFromNow(15)), 0));
    std::istringstream output(logger.out().rest(secondsFromNow(5)));
    std::istringstream log(fileContents(logPath()));
    const std::regex json(
        R"(\{"time":"\d{4}-\d\d-\d\dT(\d\d:\d\d:\d\d\.\d)[+-]\d\d:\d\d","volts":64\.6,"amperes":1\.94,)"
        R"("watts":125\.3,"frames":([1-9]\d*),"interval":0\.2\})");
    int lines = 0;
    long frames = 0;
    for (std::string object, line; std::getline(output, object); ++lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(object, m, json)) << object;
        ASSERT_TRUE(std::getline(log, line)) << "no log line for " << object;
        EXPECT_EQ(line, m[1].str() + "\t64.6\t1.94\t125.3");
        frames += std::stol(m[2].str());
    }
    EXPECT_TRUE(log.peek() == EOF) << "more log lines than objects";
    // Five report ticks fit in the second; the end may come just before the fifth.
    EXPECT_TRUE(lines == 4 || lines == 5) << lines;
    const std::string exposition = fileContents(metrics);
    const std::string label = "{device=\"COM5\"} ";
    EXPECT_NE(exposition.find("vemtora_intervals_total" + label + std::to_string(lines) + "\n"), std::string::npos)
        << exposition;
    EXPECT_NE(exposition.find("vemtora_frames_total" + label + std::to_string(frames) + "\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(metrics + ".tmp"));
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)), "");
}

TEST_F(LoggerRun, ReaderGoingAwayEndsTheRunQuietlyWithWholeLines) {
    Meter meter(link(), kLineDelivery, {"--baud", "38400"});
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger({"--speed", "38400", "--interval", "0.1"});
    std::vector<std::string> seen;
    ASSERT_TRUE(readUntil("\t64.6\t", seen));
    logger.out().close();
    EXPECT_TRUE(exitedWith(logger.waitForExit(secondsFromNow(10)), 0));
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)), "");
    const std::string log = fileContents(logPath());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(readLine(line, false).readings, "64.6\t1.94\t125.3");
}

// A meter that never pauses at the fastest speeds, on a line that drops what a reader that
// falls behind has no room for: nothing may be dropped, and nothing may wait to be read.
class LoggerFastMeter : public LoggerRun, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(LoggerFastMeter, KeepsUpWithEveryByteAndLogsOnlyExactLines) {
    const auto [baudRate, frames] = GetParam();
    const std::string speed = std::to_string(baudRate);
    Meter meter(
        link(), kLineDelivery,
        {"--baud", speed, "--frames-per-second", "0", "--delivery", "bursts,drop", "--frames", std::to_string(frames)});
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger({"--speed", speed, "--interval", "0.1"});
    const auto started = Clock::now();
    EXPECT_EQ(meter.said(secondsFromNow(60)),
              "sent " + std::to_string(frames) + " frames, " + std::to_string(frames) + " well-formed");
    const auto sending = Clock::now() - started;

    // Caught up: once the meter is silent, at most the interval in hand is still to come.
    std::this_thread::sleep_for(1s);
    const std::size_t sizeThen = fileContents(logPath()).size();
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(fileContents(logPath()).size(), sizeThen) << "lines kept coming after the meter stopped";

    std::vector<std::string> unread;
    endAndCompareWithLog(unread);
    std::istringstream lines(fileContents(logPath()));
    long count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_EQ(readLine(line, false).readings, "64.6\t1.94\t125.3") << line;
    }
    // About one line per interval: a lost poll would leave gaps, a backlog would leave fewer.
    EXPECT_GE(count, std::chrono::duration_cast<std::chrono::milliseconds>(sending).count() / 100 * 9 / 10);
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)), "");
}

// Thirty seconds of frames each.
INSTANTIATE_TEST_SUITE_P(Speeds, LoggerFastMeter,
                         ::testing::Values(std::make_tuple(19200, 4430), std::make_tuple(38400, 8860)),
                         [](const auto& info) { return std::to_string(std::get<0>(info.param)); });

TEST_F(LoggerRun, LogThatCannotGrowLosesWholeLinesSaysSoOnceAndStandardOutputGoesOn) {
    Meter meter(link(), kLineDelivery, {"--baud", "38400"});
    ASSERT_TRUE(meter.started());
    // Room for four 26-byte lines; the kernel refuses the fifth with EFBIG.
    ChildProcess& logger = startLogger({"--speed", "38400", "--interval", "0.1"}, [] {
        const rlimit limit{120, 120};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    std::vector<std::string> seen;
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(readUntil("\t64.6\t", seen));
    EXPECT_EQ(logger.err().next(secondsFromNow(5)),
              "vemtora-logger: cannot write to log file " + logPath() + ": File too large; lines are lost");
    logger.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(logger.waitForExit(secondsFromNow(10)), 0));
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)), "") << "said once, not once a line";
    EXPECT_EQ(fileContents(logPath()), seen[0] + "\n" + seen[1] + "\n" + seen[2] + "\n" + seen[3] + "\n");
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A reader that stops reading for half a minute holds up neither the log nor the end.
TEST_F(LoggerRun, StalledReaderHoldsUpNeitherTheLogNorTheEnd) {
    Meter meter(link(), kLineDelivery, {"--baud", "38400"});
    ASSERT_TRUE(meter.started());
    // One page of pipe: full after about 150 lines.
    ChildProcess& logger =
        startLogger({"--speed", "38400", "--interval", "0.1"}, [] { ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 4096); });
    std::this_thread::sleep_for(30s);
    logger.signal(SIGTERM);
    const auto signalled = Clock::now();
    EXPECT_TRUE(exitedWith(logger.waitForExit(signalled + 5s), 0));
    EXPECT_LT(Clock::now() - signalled, 1s);

    const std::vector<std::string> logged = linesOf(fileContents(logPath()));
    EXPECT_GE(logged.size(), 290u);
    ASSERT_FALSE(logged.empty());
    const long first = readLine(logged[0], false).tenthsOfDay;
    for (std::size_t k = 0; k < logged.size(); ++k) {
        const StampedLine read = readLine(logged[k], false);
        ASSERT_EQ(read.readings, "64.6\t1.94\t125.3") << logged[k];
        ASSERT_NEAR((read.tenthsOfDay - first + 864000) % 864000, static_cast<long>(k), 2) << "line " << k;
    }
    // What the pipe held is where the log began; the rest is counted, not lost from the log.
    const std::vector<std::string> shown = linesOf(logger.out().rest(secondsFromNow(5)));
    ASSERT_LT(shown.size(), logged.size());
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), logged.begin()));
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)),
              "vemtora-logger: " + std::to_string(logged.size() - shown.size()) +
                  " lines were not shown on standard output (the log file has them)\n");
}

// logrotate's way: rename the file, then SIGUSR1. Every interval lands once, in one file or the
// other, whole.
TEST_F(LoggerRun, Sigusr1AfterARenameStartsANewFileWithoutLosingOrSplittingALine) {
    Meter meter(link(), kLineDelivery, {"--baud", "38400"});
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger({"--speed", "38400", "--interval", "0.1"});
    std::vector<std::string> seen;
    std::string rotated;
    for (int rotation = 1; rotation <= 5; ++rotation) {
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(readUntil("\t64.6\t", seen));
        const std::string old = logPath() + "." + std::to_string(rotation);
        ASSERT_EQ(std::rename(logPath().c_str(), old.c_str()), 0);
        logger.signal(SIGUSR1);
    }
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(readUntil("\t64.6\t", seen));
    const std::string output = end(seen);
    for (int rotation = 1; rotation <= 5; ++rotation) {
        const std::string part = fileContents(logPath() + "." + std::to_string(rotation));
        EXPECT_FALSE(part.empty()) << rotation;
        rotated += part;
    }
    EXPECT_EQ(rotated + fileContents(logPath()), output);
    // A report tick between the rename and the signal finds the name gone first, and says so.
    for (const auto& line : linesOf(logger.err().rest(secondsFromNow(1)))) {
        EXPECT_EQ(line, "vemtora-logger: log file " + logPath() + " was removed or renamed; opening it again");
    }
}

TEST_F(LoggerRun, RemovedLogIsReportedOnceAndStartedAgain) {
    Meter meter(link(), kLineDelivery, {"--baud", "38400"});
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger({"--speed", "38400", "--interval", "0.1"});
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(readUntil("\t64.6\t", seen));
    ASSERT_EQ(::unlink(logPath().c_str()), 0);
    EXPECT_EQ(logger.err().next(secondsFromNow(5)),
              "vemtora-logger: log file " + logPath() + " was removed or renamed; opening it again");
    const std::size_t beforeRemoval = seen.size();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(readUntil("\t64.6\t", seen));
    const std::string output = end(seen);
    // The new file holds the lines from the removal on, all of them.
    const std::string renewed = fileContents(logPath());
    EXPECT_GE(linesOf(renewed).size(), 5u);
    ASSERT_LE(renewed.size(), output.size());
    EXPECT_EQ(output.substr(output.size() - renewed.size()), renewed);
    std::string keptBefore;
    for (std::size_t i = 0; i < beforeRemoval; ++i) keptBefore += seen[i] + "\n";
    EXPECT_GE(output.size() - renewed.size(), keptBefore.size());
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)), "") << "said once";
}

// Standard error on a pipe nobody reads (a paused pager after 2>&1) holds up neither the loop
// nor the log when there is something to say.
TEST_F(LoggerRun, UnreadStandardErrorHoldsUpNeitherTheLogNorTheEnd) {
    Meter meter(link(), kLineDelivery, {"--baud", "38400"});
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger({"--speed", "38400", "--interval", "0.1"}, [] {
        // Full before the logger starts: its next byte there would wait.
        ::fcntl(STDERR_FILENO, F_SETPIPE_SZ, 4096);
        const int flags = ::fcntl(STDERR_FILENO, F_GETFL);
        ::fcntl(STDERR_FILENO, F_SETFL, flags | O_NONBLOCK);
        char filler[512];
        std::fill(std::begin(filler), std::end(filler), 'x');
        while (::write(STDERR_FILENO, filler, sizeof filler) > 0) {}
        ::fcntl(STDERR_FILENO, F_SETFL, flags);
    });
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(readUntil("\t64.6\t", seen));
    ASSERT_EQ(::unlink(logPath().c_str()), 0);  // to be said where nobody reads
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(readUntil("\t64.6\t", seen)) << "the loop waits on standard error";
    EXPECT_GE(linesOf(fileContents(logPath())).size(), 15u);
    logger.signal(SIGTERM);
    const auto signalled = Clock::now();
    EXPECT_TRUE(exitedWith(logger.waitForExit(signalled + 5s), 0));
    EXPECT_LT(Clock::now() - signalled, 1s);
}

TEST_F(LoggerRun, ClosedStandardOutputStillLogsToTheFile) {
    Meter meter(link(), kLineDelivery, {"--baud", "38400"});
    ASSERT_TRUE(meter.started());
    ChildProcess& logger = startLogger({"--speed", "38400", "--interval", "0.1"}, [] { ::close(STDOUT_FILENO); });
    const auto deadline = secondsFromNow(15);
    while (linesOf(fileContents(logPath())).size() < 5 && Clock::now() < deadline) std::this_thread::sleep_for(50ms);
    logger.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(logger.waitForExit(secondsFromNow(10)), 0));
    const std::string log = fileContents(logPath());
    ASSERT_GE(linesOf(log).size(), 5u);
    EXPECT_EQ(log.back(), '\n');
    for (const auto& line : linesOf(log)) EXPECT_EQ(readLine(line, false).readings, "64.6\t1.94\t125.3") << line;
    EXPECT_EQ(logger.err().rest(secondsFromNow(1)), "");
}

}  // namespace
}  // namespace vemtora
