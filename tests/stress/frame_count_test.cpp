// The Linux edition's window, serial link and log against a meter whose bytes arrive as a real
// line delivers them: every frame sent while collecting must be counted, whatever the poll cuts.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <string>

#include "core/command_id.h"
#include "event_loop_wait.h"
#include "io/posix/log_file_writer.h"
#include "io/posix/serial_port_link.h"
#include "shell/qt/main_window.h"
#include "tools/soak/log_check.h"
#include "tools/soak/menu_driver.h"

namespace vemtora {
namespace {

using test::waitFor;

struct Line {
    int baudRate;
    const char* delivery;
    int frames;  // back to back: four seconds' worth, or thirty at the fastest speeds
};

class FrameCount : public ::testing::TestWithParam<Line> {
protected:
    // The frame count of the measurement text's second line: its last number.
    int countShown() const {
        const std::wstring text(window.controller().texts().measurementText.view());
        const auto lastBlank = text.rfind(L' ');
        return lastBlank == std::wstring::npos ? -1 : std::stoi(text.substr(lastBlank + 1));
    }

    QByteArray logContent() const {
        QFile log(logPath);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QTemporaryDir devices;
    QString logPath = devices.filePath("run.log");
    SerialPortLink serial{devices.path().toStdString()};
    LogFileWriter logFile;
    MainWindow window{AcquisitionSettings{}, serial, logFile,
                      [this] { return std::optional<std::wstring>(logPath.toStdWString()); }};
};

TEST_P(FrameCount, EveryFrameSentWhileCollectingIsCountedOnce) {
    const Line line = GetParam();
    QProcess meter;
    meter.start(SIMULATOR_PATH,
                {"--link", devices.filePath("COM5"), "--baud", QString::number(line.baudRate), "--delivery",
                 line.delivery, "--frames-per-second", "0", "--frames", QString::number(line.frames), "--hold"});
    ASSERT_TRUE(meter.waitForReadyRead(5000)) << "the simulator did not start";
    meter.readLine();  // its pty

    window.show();
    ASSERT_TRUE(soak::pressMenuItem(window, soak::speedCommand(line.baudRate)));
    ASSERT_TRUE(soak::pressMenuItem(window, soak::intervalCommand(200)));
    ASSERT_TRUE(soak::pressMenuItem(window, CommandId::CollectStart));
    ASSERT_TRUE(soak::pressMenuItem(window, CommandId::LogSave));
    ASSERT_TRUE(window.controller().collecting());
    ASSERT_TRUE(window.controller().logging());

    // An interval had frames exactly when it wrote a log line; its count is the text's.
    int counted = 0, intervalsWithFrames = 0, lineCount = 0;
    QObject::connect(&window.reportTimer(), &QTimer::timeout, [&] {
        const int lines = static_cast<int>(logContent().count('\n'));
        if (lines == lineCount) return;
        EXPECT_EQ(lines, lineCount + 1) << "one line per interval";
        lineCount = lines;
        ++intervalsWithFrames;
        counted += countShown();
    });

    // The stream starts only now that the port is open and polled: no frame is cut at Start.
    ASSERT_EQ(::kill(static_cast<pid_t>(meter.processId()), SIGUSR1), 0);
    QByteArray said;
    ASSERT_TRUE(waitFor(
        [&] {
            said += meter.readAll();
            return said.contains('\n');
        },
        line.frames * 13 * 10 * 1000 / line.baudRate + 5000))
        << "the simulator did not finish";
    EXPECT_EQ(said.trimmed().toStdString(),
              "sent " + std::to_string(line.frames) + " frames, " + std::to_string(line.frames) + " well-formed");

    // Two more reports take in whatever the last polls found.
    const int ticksNow = intervalsWithFrames;
    int ticks = 0;
    QObject::connect(&window.reportTimer(), &QTimer::timeout, [&] { ++ticks; });
    ASSERT_TRUE(waitFor([&] { return ticks >= 2; }, 3000));
    EXPECT_LE(intervalsWithFrames - ticksNow, 1) << "frames kept arriving after the meter stopped";
    ASSERT_TRUE(soak::pressMenuItem(window, CommandId::CollectStop));

    EXPECT_EQ(counted, line.frames) << line.baudRate << " bit/s, " << line.delivery;
    const QByteArray content = logContent();
    const auto check = soak::checkLog(std::string_view(content.constData(), static_cast<std::size_t>(content.size())),
                                      "64.6\t1.94\t125.3");
    EXPECT_TRUE(check.problems.empty()) << content.toStdString();
    EXPECT_EQ(static_cast<int>(check.lines), intervalsWithFrames);
    window.close();
    meter.terminate();
    meter.waitForFinished(5000);
}

INSTANTIATE_TEST_SUITE_P(Lines, FrameCount,
                         ::testing::Values(Line{1200, "bytes", 36}, Line{9600, "bytes", 300}, Line{9600, "bursts", 300},
                                           // A meter that never pauses, on a line that drops what
                                           // a reader that falls behind has no room for.
                                           Line{19200, "bursts,drop", 4430}, Line{38400, "bursts,drop", 8860}),
                         [](const auto& info) {
                             std::string name = std::to_string(info.param.baudRate) + "_" + info.param.delivery;
                             std::replace(name.begin(), name.end(), ',', '_');
                             return name;
                         });

}  // namespace
}  // namespace vemtora
