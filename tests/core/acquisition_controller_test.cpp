#include "core/acquisition_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/fakes.h"

namespace vemtora {
namespace {

using testing::FakeLogFile;
using testing::FakeSerialLink;
using testing::FakeShell;

class Controller : public ::testing::Test {
protected:
    Controller() { controller.initialise(); }

    std::wstring status() const { return std::wstring(controller.texts().statusText.view()); }

    // The invariants that every sequence of events must keep.
    void expectConsistent() const {
        EXPECT_EQ(controller.collecting(), serial.isOpen);
        EXPECT_EQ(controller.logging(), log.isOpen);
    }

    AcquisitionSettings parsed = [] {
        AcquisitionSettings s;
        s.portIndex = 2;
        return s;
    }();
    FakeSerialLink serial;
    FakeLogFile log;
    FakeShell shell;
    AcquisitionController controller{parsed, serial, log, shell};
};

TEST_F(Controller, InitialiseStartsFromTheSettingsItWasMadeWith) {
    EXPECT_EQ(controller.settings().portIndex, 2u);
    EXPECT_EQ(controller.settings().baudRate, 9600);
    EXPECT_EQ(controller.reportIntervalMs(), 500);
    EXPECT_EQ(status(), L"COM3 9600bps 0.5sec  ");
    EXPECT_EQ(controller.texts().timeText.length(), 0u);
    EXPECT_EQ(controller.texts().measurementText.length(), 0u);
    EXPECT_EQ(shell.repaints, 1);
    expectConsistent();

    // The logger's options: speed and interval hold from the start, and Start uses the speed.
    AcquisitionSettings chosen = parsed;
    chosen.baudRate = 300;
    chosen.reportIntervalMs = 30000;
    chosen.voltageScale = 2.0;
    AcquisitionController made{chosen, serial, log, shell};
    made.initialise();
    EXPECT_EQ(made.reportIntervalMs(), 30000);
    EXPECT_EQ(made.settings().voltageScale, 2.0);
    EXPECT_EQ(std::wstring(made.texts().statusText.view()), L"COM3 300bps 30sec  ");
    made.startCollecting();
    ASSERT_EQ(serial.openCalls.size(), 1u);
    EXPECT_EQ(serial.openCalls[0].baudRate, 300);
    made.shutdown();
}

TEST_F(Controller, StartOpensTheChosenPortAtTheChosenSpeed) {
    controller.selectPort(15);
    controller.selectBaudRate(38400);
    controller.startCollecting();
    ASSERT_EQ(serial.openCalls.size(), 1u);
    EXPECT_EQ(serial.openCalls[0].portName, L"COM16");
    EXPECT_EQ(serial.openCalls[0].baudRate, 38400);
    EXPECT_EQ(status(), L"COM16 38400bps 0.5sec Xfer ");
    expectConsistent();
}

TEST_F(Controller, FailedOpenLeavesCollectingOffButRefreshes) {
    serial.opens = false;
    const int before = shell.repaints;
    controller.startCollecting();
    EXPECT_FALSE(controller.collecting());
    EXPECT_EQ(shell.repaints, before + 1);
    controller.onPollTick();
    EXPECT_EQ(serial.pollCount, 0);
    expectConsistent();
}

TEST_F(Controller, StartWhileCollectingAndStopWhileIdleOnlyRefresh) {
    controller.stopCollecting();
    EXPECT_EQ(serial.closeCount, 0);
    controller.startCollecting();
    const int repaints = shell.repaints;
    controller.startCollecting();
    EXPECT_EQ(serial.openCalls.size(), 1u);
    EXPECT_EQ(shell.repaints, repaints + 1);
    controller.stopCollecting();
    controller.stopCollecting();
    EXPECT_EQ(serial.closeCount, 1);
    expectConsistent();
}

TEST_F(Controller, PortAndSpeedAreIgnoredWhileCollecting) {
    controller.startCollecting();
    const auto statusBefore = status();
    const int repaints = shell.repaints;
    controller.selectPort(0);
    controller.selectBaudRate(300);
    EXPECT_EQ(status(), statusBefore);
    EXPECT_EQ(shell.repaints, repaints);
    EXPECT_EQ(controller.settings().portIndex, 2u);
    EXPECT_EQ(controller.settings().baudRate, 9600);
}

TEST_F(Controller, ADeviceIsChosenAsAPortIsAndAPortChosenAfterItWins) {
    const NamedDevice adapter{L"/dev/serial/by-id/usb-FTDI-if00-port0", L"ttyUSB0"};
    controller.selectDevice(adapter);
    EXPECT_EQ(status(), L"ttyUSB0 9600bps 0.5sec  ");
    controller.startCollecting();
    ASSERT_EQ(serial.openCalls.size(), 1u);
    EXPECT_EQ(serial.openCalls[0].portName, adapter.path);
    // While collecting, neither a device nor a port changes anything, not even the status.
    const int repaints = shell.repaints;
    controller.selectDevice({L"/dev/ttyACM0", L"ttyACM0"});
    controller.selectPort(0);
    EXPECT_EQ(shell.repaints, repaints);
    EXPECT_EQ(controller.settings().device, adapter);
    controller.stopCollecting();
    controller.selectPort(0);
    EXPECT_EQ(status(), L"COM1 9600bps 0.5sec  ");
    controller.startCollecting();
    EXPECT_EQ(serial.openCalls.back().portName, L"COM1");
    expectConsistent();
}

TEST_F(Controller, PollsOnlyWhileCollectingAndReportsTheInterval) {
    serial.pending = {"a1000\t200\t10z"};
    controller.onPollTick();
    EXPECT_EQ(serial.pollCount, 0);

    controller.startCollecting();
    controller.onPollTick();
    controller.onPollTick();  // nothing arrived
    EXPECT_EQ(controller.totals().frameCount, 1);

    controller.onReportTick();
    EXPECT_EQ(controller.texts().timeText.view(), L"09:05:07.3");
    EXPECT_EQ(controller.texts().measurementText.view(), L"64.6 1.94 125.3\r\n64.6 1.94 125.3 1");
    EXPECT_EQ(controller.totals().frameCount, 0);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(Controller, IntervalWithoutFramesKeepsTheMeasurementAndLogsNothing) {
    controller.startCollecting();
    controller.startLogging();
    serial.pending = {"a1000\t200\t10z"};
    controller.onPollTick();
    controller.onReportTick();
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "09:05:07.3\t64.6\t1.94\t125.3\n");

    shell.now = {10, 0, 0, 0};
    const int repaints = shell.repaints;
    controller.onReportTick();
    EXPECT_EQ(controller.texts().timeText.view(), L"10:00:00.0");
    EXPECT_EQ(controller.texts().measurementText.view(), L"64.6 1.94 125.3\r\n64.6 1.94 125.3 1");
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(shell.repaints, repaints + 1);
}

// Outputs beside the log hear of each interval that counted frames, whether it was logged or not.
TEST_F(Controller, TheReadingSinkHearsEachIntervalWithFramesAndEachOpenAndClose) {
    struct Sink final : ReadingSink {
        std::vector<IntervalReading> readings;
        std::vector<bool> collecting;
        void takeReading(const IntervalReading& reading) override { readings.push_back(reading); }
        void collectingChanged(bool now) override { collecting.push_back(now); }
    } sink;
    controller.setReadingSink(&sink);
    controller.selectReportInterval(500);
    serial.opens = false;
    controller.startCollecting();
    serial.opens = true;
    controller.startCollecting();
    controller.startCollecting();
    serial.pending = {"a1000\t200\t10z", "a3000\t400\t10z"};
    controller.onPollTick();
    controller.onPollTick();
    controller.onReportTick();
    controller.onReportTick();  // no frames: no reading
    controller.startLogging();
    serial.pending = {"a1000\t200\t10z"};
    controller.onPollTick();
    controller.onReportTick();

    ASSERT_EQ(sink.readings.size(), 2u);
    EXPECT_EQ(sink.readings[0].frameCount, 2);
    EXPECT_EQ(sink.readings[0].intervalMs, 500);
    EXPECT_EQ(sink.readings[0].time.hour, 9);
    EXPECT_NEAR(sink.readings[0].volts, 2 * 64.6, 1e-9);
    ASSERT_EQ(log.lines.size(), 1u);
    const ReadingFields fields = formatReadingFields(sink.readings[1]);
    EXPECT_EQ(log.lines[0], "09:05:07.3\t" + std::string(fields.volts.view()) + "\t" +
                                std::string(fields.amperes.view()) + "\t" + std::string(fields.watts.view()) + "\n");

    controller.stopCollecting();
    controller.startCollecting();
    controller.shutdown();
    EXPECT_EQ(sink.collecting, (std::vector<bool>{false, true, false, true, false}));
}

TEST_F(Controller, DatedStampSettingSurvivesInitialiseAndLeadsEveryLogLine) {
    AcquisitionSettings dated = parsed;
    dated.logTimeStamp = LogTimeStamp::LocalDateTime;
    AcquisitionController datedController{dated, serial, log, shell};
    datedController.initialise();
    datedController.startCollecting();
    datedController.startLogging();
    shell.now = {9, 5, 7, 300, 2026, 12, 8};
    serial.pending = {"a1000\t200\t10z"};
    datedController.onPollTick();
    datedController.onReportTick();
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "2026-12-08T09:05:07.3\t64.6\t1.94\t125.3\n");
    // The window's clock keeps its own form.
    EXPECT_EQ(datedController.texts().timeText.view(), L"09:05:07.3");
}

TEST_F(Controller, FramesCountedBeforeStopAreStillReportedEvenAfterANewStart) {
    controller.startCollecting();
    controller.startLogging();
    serial.pending = {"a1000\t200\t10z"};
    controller.onPollTick();
    controller.stopCollecting();
    controller.startCollecting();
    serial.pending = {"a2000\t200\t10z"};
    controller.onPollTick();
    controller.onReportTick();
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "09:05:07.3\t96.9\t1.94\t188.0\n");
}

TEST_F(Controller, OneClockReadingServesTheTimeTextAndTheLogLine) {
    shell.millisecondsPerRead = 100;
    controller.startCollecting();
    controller.startLogging();
    serial.pending = {"a1000\t200\t10z"};
    controller.onPollTick();
    controller.onReportTick();
    EXPECT_EQ(controller.texts().timeText.view(), L"09:05:07.3");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].substr(0, 10), "09:05:07.3");
}

// The port is closed between Stop and Start: half a frame from before must not join bytes from
// after. Stop and initialise each forget it at once, and Start never takes one over.
TEST_F(Controller, AFrameBegunBeforeStopNeverJoinsBytesAfterTheNextStart) {
    const std::pair<const char*, void (AcquisitionController::*)()> ways[] = {
        {"stop", &AcquisitionController::stopCollecting},
        {"initialise", &AcquisitionController::initialise},
    };
    for (const auto& [name, leave] : ways) {
        controller.startCollecting();
        serial.pending = {"a1000\t2"};
        controller.onPollTick();
        ASSERT_TRUE(controller.framePending());
        (controller.*leave)();
        EXPECT_FALSE(controller.framePending()) << name;
        controller.startCollecting();
        EXPECT_FALSE(controller.framePending()) << name;
        serial.pending = {"00\t10za1\t1\t1z"};
        controller.onPollTick();
        EXPECT_EQ(controller.totals().frameCount, 1) << name;
        EXPECT_DOUBLE_EQ(controller.totals().voltageTotal, 0.646) << name;
        controller.onReportTick();
        controller.stopCollecting();
    }
}

TEST_F(Controller, AFrameSplitBetweenPollsIsCountedEvenAcrossAStartWhileCollecting) {
    controller.startCollecting();
    serial.pending = {"a1000\t2", "00\t10z"};
    controller.onPollTick();
    controller.startCollecting();  // already collecting: the port stays open
    controller.onPollTick();
    EXPECT_EQ(controller.totals().frameCount, 1);
    EXPECT_DOUBLE_EQ(controller.totals().voltageTotal, 64.6);
}

TEST_F(Controller, LoggingWhileNotCollectingShowsSaveButWritesNothing) {
    controller.startLogging();
    controller.onReportTick();
    EXPECT_EQ(status(), L"COM3 9600bps 0.5sec  Save");
    EXPECT_TRUE(log.lines.empty());
    ASSERT_EQ(log.openedPaths.size(), 1u);
    EXPECT_EQ(log.openedPaths[0], L"/tmp/run.log");
}

TEST_F(Controller, CancelledDialogChangesNothingNotEvenTheStatus) {
    shell.chosenPath.reset();
    const int repaints = shell.repaints;
    controller.startLogging();
    EXPECT_FALSE(controller.logging());
    EXPECT_TRUE(log.openedPaths.empty());
    EXPECT_EQ(shell.repaints, repaints);
}

TEST_F(Controller, UnopenableFileLeavesLoggingOff) {
    log.opens = false;
    controller.startLogging();
    EXPECT_FALSE(controller.logging());
    EXPECT_EQ(status(), L"COM3 9600bps 0.5sec  ");
    expectConsistent();
}

TEST_F(Controller, SaveWhileLoggingShowsNoDialog) {
    controller.startLogging();
    controller.startLogging();
    EXPECT_EQ(shell.chooseCount, 1);
    controller.stopLogging();
    controller.stopLogging();
    EXPECT_EQ(log.closeCount, 1);
    expectConsistent();
}

TEST_F(Controller, IntervalChangeRestartsTheTimerAndKeepsTheTotals) {
    controller.startCollecting();
    serial.pending = {"a1000\t200\t10z"};
    controller.onPollTick();
    controller.selectReportInterval(2000);
    controller.selectReportInterval(2000);
    EXPECT_EQ(shell.timerRestarts, (std::vector<std::int32_t>{2000, 2000}));
    EXPECT_EQ(controller.reportIntervalMs(), 2000);
    EXPECT_EQ(controller.totals().frameCount, 1);
    EXPECT_EQ(status(), L"COM3 9600bps 2sec Xfer ");
}

TEST_F(Controller, ShutdownClosesWhatIsOpenAndEndsEverything) {
    controller.startCollecting();
    controller.startLogging();
    controller.shutdown();
    EXPECT_EQ(serial.closeCount, 1);
    EXPECT_EQ(log.closeCount, 1);
    expectConsistent();

    const int repaints = shell.repaints;
    serial.pending = {"a1000\t200\t10z"};
    controller.onPollTick();
    controller.onReportTick();
    controller.startCollecting();
    controller.startLogging();
    controller.selectReportInterval(100);
    controller.selectPort(1);
    controller.shutdown();
    EXPECT_EQ(serial.pollCount, 0);
    EXPECT_EQ(serial.openCalls.size(), 1u);
    EXPECT_EQ(shell.chooseCount, 1);
    EXPECT_TRUE(shell.timerRestarts.empty());
    EXPECT_EQ(shell.repaints, repaints);
    EXPECT_EQ(serial.closeCount, 1);
}

TEST_F(Controller, ShutdownWithNothingOpenClosesNothing) {
    controller.shutdown();
    EXPECT_EQ(serial.closeCount, 0);
    EXPECT_EQ(log.closeCount, 0);
}

TEST_F(Controller, ShutdownDuringTheDialogDropsTheChosenFile) {
    shell.duringChoose = [&] { controller.shutdown(); };
    controller.startLogging();
    EXPECT_TRUE(log.openedPaths.empty());
    EXPECT_FALSE(controller.logging());
}

TEST_F(Controller, SecondSaveDuringTheDialogOpensNoSecondDialog) {
    shell.duringChoose = [&] {
        controller.startLogging();
        controller.onReportTick();
    };
    controller.startLogging();
    EXPECT_EQ(shell.chooseCount, 1);
    EXPECT_TRUE(controller.logging());
    expectConsistent();
}

TEST_F(Controller, CommandsDuringTheDialogKeepTheInvariants) {
    shell.duringChoose = [&] {
        controller.startCollecting();
        controller.stopLogging();
        controller.selectReportInterval(100);
    };
    controller.startLogging();
    EXPECT_TRUE(controller.collecting());
    EXPECT_TRUE(controller.logging());
    EXPECT_EQ(status(), L"COM3 9600bps 0.1sec Xfer Save");
    expectConsistent();
}

}  // namespace
}  // namespace vemtora
