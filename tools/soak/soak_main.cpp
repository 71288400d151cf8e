// vemtora-soak: the Linux edition's window and I/O against the simulated meter, with figures.
// It presses the menu items a user would (speed, interval, Start, Save); only the file
// dialog's answer is given in advance.
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/acquisition_settings.h"
#include "core/command_id.h"
#include "io/posix/log_file_writer.h"
#include "io/posix/serial_port_link.h"
#include "shell/qt/event_loop_choice.h"
#include "shell/qt/main_window.h"
#include "tools/soak/log_check.h"
#include "tools/soak/menu_driver.h"
#include "tools/soak/process_usage.h"

namespace {

using namespace vemtora;

struct Options {
    double seconds = 120;
    int baudRate = 38400;
    int intervalMs = 100;
    bool idle = false;
    bool check = false;
    long allowedGrowthKb = 1024;
    QString logPath;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue)
            options.seconds = std::atof(argv[++i]);
        else if (arg == "--baud" && hasValue)
            options.baudRate = std::atoi(argv[++i]);
        else if (arg == "--interval-ms" && hasValue)
            options.intervalMs = std::atoi(argv[++i]);
        else if (arg == "--log" && hasValue)
            options.logPath = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--idle")
            options.idle = true;
        else if (arg == "--check")
            options.check = true;
        else if (arg == "--allowed-growth-kb" && hasValue)
            options.allowedGrowthKb = std::atol(argv[++i]);
        else
            return false;
    }
    const auto listed = [](const auto& values, int v) {
        return std::find(values.begin(), values.end(), v) != values.end();
    };
    return options.seconds > 0 && listed(kBaudRates, options.baudRate) &&
           listed(kReportIntervalsMs, options.intervalMs);
}

class FirstPaint : public QObject {
public:
    double seconds = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && seconds < 0) seconds = soak::secondsSinceProcessStart();
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    preferPlainEventDispatcher();  // as the program does
    QApplication app(argc, argv);
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: vemtora-soak [--seconds S] [--baud N] [--interval-ms N] [--idle] [--log PATH] [--check]\n"
                     "                    [--allowed-growth-kb N]\n");
        return 2;
    }

    QTemporaryDir devices;
    if (options.logPath.isEmpty()) options.logPath = devices.filePath("soak.log");
    QFile::remove(options.logPath);
    QProcess meter;
    // At the fast speeds a meter is most often behind a USB adapter, which hands bytes over in
    // bursts and, without flow control, drops what the reader leaves: a reader that falls behind
    // shows as frames cut, not as a meter politely waiting.
    meter.start(SIMULATOR_PATH, {"--link", devices.filePath("COM5"), "--baud", QString::number(options.baudRate),
                                 "--frames-per-second", "0", "--delivery", "bursts,drop"});
    if (!meter.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }

    AcquisitionSettings settings;  // port index 4: COM5
    SerialPortLink link(devices.path().toStdString());
    LogFileWriter logFile;
    MainWindow window(settings, link, logFile,
                      [&] { return std::optional<std::wstring>(options.logPath.toStdWString()); });
    FirstPaint firstPaint;
    window.reportView().installEventFilter(&firstPaint);
    window.show();

    soak::ProcessUsage atStart, atWarmedUp;
    long largestAfterWarmUp = 0;
    const double warmUpSeconds = std::max(5.0, options.seconds / 5);
    QTimer::singleShot(0, &window, [&] {
        if (!options.idle) {
            soak::pressMenuItem(window, soak::speedCommand(options.baudRate));
            soak::pressMenuItem(window, soak::intervalCommand(options.intervalMs));
            soak::pressMenuItem(window, CommandId::CollectStart);
            soak::pressMenuItem(window, CommandId::LogSave);
        }
        atStart = soak::processUsage();
    });
    QTimer::singleShot(static_cast<int>(warmUpSeconds * 1000), &window, [&] { atWarmedUp = soak::processUsage(); });
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (atWarmedUp.residentKb > 0)
            largestAfterWarmUp = std::max(largestAfterWarmUp, soak::processUsage().residentKb);
    });
    sampler.start(1000);
    long reportTicks = 0;  // after Save, when lines can begin
    QObject::connect(&window.reportTimer(), &QTimer::timeout, [&] { reportTicks += window.controller().logging(); });
    bool wasCollecting = false, wasLogging = false;
    QTimer::singleShot(static_cast<int>(options.seconds * 1000), &window, [&] {
        wasCollecting = window.controller().collecting();
        wasLogging = window.controller().logging();
        window.close();
    });
    const int exitCode = app.exec();
    const soak::ProcessUsage atEnd = soak::processUsage();
    meter.terminate();
    meter.waitForFinished(5000);

    const double elapsed = options.seconds;
    const double cpuShare = (atEnd.cpuSeconds - atStart.cpuSeconds) / elapsed;
    const double wakeUps = static_cast<double>(atEnd.contextSwitches - atStart.contextSwitches) / elapsed;
    if (options.idle) {
        std::printf("idle (not collecting), %.0f s\n", options.seconds);
    } else {
        std::printf("collecting and logging, %d bit/s, interval %d ms, %.0f s\n", options.baudRate, options.intervalMs,
                    options.seconds);
    }
    std::printf("  first paint after start   %8.1f ms\n", firstPaint.seconds * 1000);
    std::printf("  CPU, share of one core    %8.3f %%\n", cpuShare * 100);
    std::printf("  wake-ups per second       %8.1f\n", wakeUps);
    std::printf("  peak resident memory      %8ld KiB\n", atEnd.peakResidentKb);
    std::printf("  resident after warm-up    %8ld KiB, largest later %ld KiB\n", atWarmedUp.residentKb,
                largestAfterWarmUp);

    if (!options.check) return exitCode;
    int failures = exitCode != 0;
    QFile log(options.logPath);
    const QByteArray content = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    const auto check = soak::checkLog(std::string_view(content.constData(), static_cast<std::size_t>(content.size())),
                                      "64.6\t1.94\t125.3");
    std::printf("  log lines                 %8zu of %ld intervals\n", check.lines, reportTicks);
    for (std::size_t i = 0; i < check.problems.size() && i < 10; ++i)
        std::printf("  FAIL %s\n", check.problems[i].c_str());
    failures += !check.problems.empty();
    if (!wasCollecting || !wasLogging) {
        std::printf("  FAIL collecting and logging were not both on at the end\n");
        ++failures;
    }
    // The meter never pauses, so every interval has its line, and none has two. A machine under
    // load may now and then run a report before the interval's first poll: that one has no line.
    const auto lines = static_cast<long>(check.lines);
    if (lines > reportTicks || lines < reportTicks * 98 / 100 - 1) {
        std::printf("  FAIL expected one line per interval\n");
        ++failures;
    }
    if (largestAfterWarmUp - atWarmedUp.residentKb > options.allowedGrowthKb) {
        std::printf("  FAIL memory grew by %ld KiB after warm-up\n", largestAfterWarmUp - atWarmedUp.residentKb);
        ++failures;
    }
    std::printf("%s\n", failures ? "soak FAILED" : "soak passed");
    return failures ? 1 : 0;
}
