// The Linux edition's entry point.
#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <memory>

#include "command_line.h"
#include "event_loop_choice.h"
#include "core/acquisition_settings.h"
#include "io/posix/log_file_writer.h"
#include "io/posix/serial_port_link.h"
#include "io/posix/termination_signals.h"
#include "main_window.h"

int main(int argc, char* argv[]) {
    // Past a file-size limit the kernel would kill the program mid-line; ignored, the write
    // fails and the log writer cuts the file back to its last whole line.
    std::signal(SIGXFSZ, SIG_IGN);
    // A write to a pipe nobody reads must fail, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // The window ends on these even when the shell that started it ignored them (nohup, a
    // background job); the class would leave an ignored one ignored.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
    // Before Qt starts its threads, so that every thread has the signals blocked.
    vemtora::posix::TerminationSignals terminationSignals;
    vemtora::preferPlainEventDispatcher();
    QApplication app(argc, argv);  // takes its own options out of argv

    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const vemtora::ShellCommandLine commandLine = vemtora::splitCommandLine(arguments);
    vemtora::AcquisitionSettings settings;
    vemtora::parseCommandLine(settings, commandLine.coreText);

    // Created before the window and released after it, so the controller never outlives them.
    vemtora::SerialPortLink link(commandLine.deviceFolder);
    vemtora::LogFileWriter logFile;

    vemtora::MainWindow window(settings, link, logFile);
    // SIGTERM, SIGINT and SIGHUP close the window like its close box, so an open log ends with
    // whole lines.
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (terminationSignals.valid()) {
        signalNotifier = std::make_unique<QSocketNotifier>(terminationSignals.fd(), QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &window, [&] {
            while (terminationSignals.take() != 0) {
            }
            window.close();
        });
    }

    window.show();
    return app.exec();
}
