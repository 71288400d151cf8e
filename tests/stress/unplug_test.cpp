#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/command_id.h"
#include "event_loop_wait.h"
#include "io/posix/log_file_writer.h"
#include "io/posix/serial_port_link.h"
#include "shell/qt/main_window.h"
#include "tools/soak/log_check.h"
#include "tools/soak/menu_driver.h"
#include "tools/soak/process_usage.h"

namespace vemtora {
namespace {

using test::runEventLoopFor;
using test::waitFor;

class Meter {
public:
    Meter(const QString& link, int rawVoltage) {
        process_.start(SIMULATOR_PATH,
                       {"--link", link, "--voltage", QString::number(rawVoltage), "--frames-per-second", "40"});
        started_ = process_.waitForReadyRead(5000);
    }
    ~Meter() { unplug(); }
    bool started() const { return started_; }
    void unplug() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
    bool started_ = false;
};

class Unplug : public ::testing::Test {
protected:
    void press(CommandId id) { ASSERT_TRUE(soak::pressMenuItem(window, id)) << toNumber(id); }
    std::wstring measurement() const { return std::wstring(window.controller().texts().measurementText.view()); }
    std::wstring status() const { return std::wstring(window.controller().texts().statusText.view()); }
    QString link() const { return devices.filePath("COM5"); }

    QTemporaryDir devices;
    QString logPath = devices.filePath("run.log");
    SerialPortLink serial{devices.path().toStdString()};
    LogFileWriter logFile;
    MainWindow window{AcquisitionSettings{}, serial, logFile,
                      [this] { return std::optional<std::wstring>(logPath.toStdWString()); }};
};

TEST_F(Unplug, WindowStaysAliveAndStopStartWorkAfterTheMeterReturns) {
    auto meter = std::make_unique<Meter>(link(), 1000);
    ASSERT_TRUE(meter->started());
    window.show();
    press(CommandId::CollectStart);
    press(CommandId::LogSave);
    ASSERT_TRUE(window.controller().collecting());
    ASSERT_TRUE(waitFor([&] { return measurement().rfind(L"64.6 ", 0) == 0; }, 5000));

    // The cable is pulled: the line hangs up and the device name disappears.
    meter->unplug();
    const auto before = soak::processUsage();
    runEventLoopFor(2000);
    const auto after = soak::processUsage();
    EXPECT_LT(after.cpuSeconds - before.cpuSeconds, 0.2) << "polling a vanished device must not spin";
    EXPECT_TRUE(window.controller().collecting()) << "a lost device does not end collecting";
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    EXPECT_TRUE(waitFor([&] { return timerFired; }, 1000)) << "the window stopped answering";

    press(CommandId::CollectStop);
    EXPECT_FALSE(window.controller().collecting());
    press(CommandId::CollectStart);
    EXPECT_FALSE(window.controller().collecting()) << "nothing to open while the meter is away";
    EXPECT_EQ(status(), L"COM5 9600bps 0.5sec  Save");

    // Plugged in again, with other readings to tell them apart.
    meter = std::make_unique<Meter>(link(), 2000);
    ASSERT_TRUE(meter->started());
    press(CommandId::CollectStart);
    EXPECT_TRUE(window.controller().collecting());
    EXPECT_TRUE(waitFor([&] { return measurement().rfind(L"129.2 ", 0) == 0; }, 5000));
    window.close();
    meter->unplug();

    // Every line in the log is whole: the old readings, then the new ones.
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray content = log.readAll();
    const std::string_view text(content.constData(), static_cast<std::size_t>(content.size()));
    const std::size_t firstNew = text.find("\t129.2\t");
    ASSERT_NE(firstNew, std::string_view::npos);
    const std::size_t split = text.rfind('\n', firstNew) + 1;
    EXPECT_TRUE(soak::checkLog(text.substr(0, split), "64.6\t1.94\t125.3").problems.empty()) << text;
    EXPECT_TRUE(soak::checkLog(text.substr(split), "129.2\t1.94\t250.6").problems.empty()) << text;
}

}  // namespace
}  // namespace vemtora
