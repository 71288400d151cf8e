// The whole collecting path in this process: the real main window, serial link and log file
// against the meter simulator on a pseudo-terminal, paced like a serial line. Every frame the
// meter sends while collecting must be counted: the frame counts of the window's totals line,
// summed over the report intervals, against what the simulator says it sent. At the fastest
// speeds the line drops what the program has no room for, so a slow reader shows as frames cut.
//
// Run by held_meter.py, which holds the simulator until this test prints "@release" and then
// writes the simulator's "sent N frames, M well-formed" line into the file VEMTORA_METER_REPORT.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>

#include "core/acquisition_settings.h"
#include "io/win32/log_file_writer.h"
#include "io/win32/serial_port_link.h"
#include "window_harness.h"
#include "wine_test_support.h"

namespace vemtora {
namespace {

using namespace std::chrono_literals;
using test::pumpMessages;
using test::WindowUnderTest;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::wstring widened(const std::string& text) { return {text.begin(), text.end()}; }

// The simulator's closing line, once it has sent every frame.
struct MeterReport {
    unsigned long sent = 0;
    unsigned long wellFormed = 0;
};

std::optional<MeterReport> readMeterReport(const std::wstring& path) {
    if (!test::fileExists(path)) return std::nullopt;
    MeterReport report;
    if (std::sscanf(test::readWholeFile(path).c_str(), "sent %lu frames, %lu well-formed", &report.sent,
                    &report.wellFormed) != 2) {
        return std::nullopt;
    }
    return report;
}

// The count that ends the totals line: "64.6 1.94 125.3\r\n646.0 19.40 1253.2 10".
long frameCountShown(std::wstring_view measurement) {
    const auto lineBreak = measurement.find(L"\r\n");
    const auto lastBlank = measurement.rfind(L' ');
    if (lineBreak == std::wstring_view::npos || lastBlank == std::wstring_view::npos || lastBlank < lineBreak)
        return -1;
    return std::wcstol(std::wstring(measurement.substr(lastBlank + 1)).c_str(), nullptr, 10);
}

TEST(CollectRun, EveryFrameTheMeterSendsIsCounted) {
    const std::string port = environment("VEMTORA_METER_PORT");
    const std::string baud = environment("VEMTORA_METER_BAUD");
    const std::string frames = environment("VEMTORA_METER_FRAMES");
    const std::wstring reportPath = widened(environment("VEMTORA_METER_REPORT"));
    if (port.empty() || baud.empty() || frames.empty() || reportPath.empty()) GTEST_SKIP() << "run by held_meter.py";
    const auto portIndex = std::find(kPortNames.begin(), kPortNames.end(), widened(port)) - kPortNames.begin();
    const auto speedIndex = std::find(kBaudRates.begin(), kBaudRates.end(), std::stoi(baud)) - kBaudRates.begin();
    ASSERT_LT(static_cast<std::size_t>(portIndex), kPortNames.size());
    ASSERT_LT(static_cast<std::size_t>(speedIndex), kBaudRates.size());

    test::TemporaryFolder folder;
    const std::wstring logPath = folder.path(L"collect.log");
    SerialPortLink link;
    LogFileWriter logFile;
    // The path a user would have chosen in the save dialog.
    WindowUnderTest window(link, logFile, {}, [&] { return std::optional<std::wstring>(logPath); });
    window.command(CommandId::PortFirst, static_cast<int>(portIndex));
    window.command(CommandId::SpeedFirst, static_cast<int>(speedIndex));
    window.command(CommandId::LogSave);
    window.command(CommandId::CollectStart);
    ASSERT_TRUE(window.controller().collecting()) << "the port did not open";
    ASSERT_TRUE(window.controller().logging()) << "the log did not open";

    // Each report tick: the frames of the interval it closes, read back from the window's text.
    long counted = 0;
    int intervalsWithFrames = 0, ticksSinceSent = 0, emptyTicksSinceSent = 0, fullTicksSinceSent = 0;
    std::int32_t pending = 0;
    std::optional<MeterReport> report;
    test::MessageWatch watch;
    watch.before = [&](const MSG& message) {
        if (message.message == WM_TIMER && message.hwnd == window.handle() && message.wParam == kReportTimerId) {
            pending = window.controller().totals().frameCount;
        }
    };
    watch.after = [&](const MSG& message) {
        if (message.message != WM_TIMER || message.hwnd != window.handle() || message.wParam != kReportTimerId) return;
        if (pending > 0) {
            // An interval without frames leaves the text as it was; only a fresh one counts.
            counted += frameCountShown(window.controller().texts().measurementText.view());
            ++intervalsWithFrames;
        }
        if (report) {
            ++ticksSinceSent;
            emptyTicksSinceSent = pending > 0 ? 0 : emptyTicksSinceSent + 1;
            fullTicksSinceSent += pending > 0;
        }
        pending = 0;
    };

    std::printf("@release\n");
    std::fflush(stdout);
    ASSERT_TRUE(pumpMessages([&] { return (report = readMeterReport(reportPath)).has_value(); }, 120s, watch))
        << "the meter never said it was done";
    // Two more report intervals, and on until one passes without frames: the line has drained.
    EXPECT_TRUE(pumpMessages([&] { return ticksSinceSent >= 2 && emptyTicksSinceSent >= 1; }, 30s, watch));
    // The interval in hand when the meter stopped, and perhaps the next on a busy machine: more
    // is a backlog the program had not read.
    EXPECT_LE(fullTicksSinceSent, 2) << "frames kept arriving after the meter stopped";
    window.command(CommandId::CollectStop);
    window.command(CommandId::LogClose);

    std::printf("meter sent %lu frames (%lu well-formed); counted %ld in %d intervals\n", report->sent,
                report->wellFormed, counted, intervalsWithFrames);
    EXPECT_EQ(report->sent, std::stoul(frames)) << "frames cut on the line: the program fell behind";
    EXPECT_EQ(report->wellFormed, report->sent);
    EXPECT_EQ(counted, static_cast<long>(report->sent));

    // The log holds one exact line for each of those intervals.
    const std::string log = test::readWholeFile(logPath);
    const std::regex line(R"(\d\d:\d\d:\d\d\.\d\t64\.6\t1\.94\t125\.3\n)");
    int lines = 0;
    for (std::size_t at = 0; at < log.size(); ++lines) {
        const auto end = log.find('\n', at);
        ASSERT_NE(end, std::string::npos) << "the log's last line has no line feed";
        EXPECT_TRUE(std::regex_match(log.substr(at, end + 1 - at), line)) << log.substr(at, end + 1 - at);
        at = end + 1;
    }
    EXPECT_EQ(lines, intervalsWithFrames);
}

}  // namespace
}  // namespace vemtora
