// The Linux edition's entry point.
#include <QApplication>

#include <csignal>

#include "command_line.h"
#include "core/acquisition_settings.h"
#include "io/posix/log_file_writer.h"
#include "io/posix/serial_port_link.h"
#include "main_window.h"
#include "termination_signals.h"

int main(int argc, char* argv[]) {
    // Past a file-size limit the kernel would kill the program mid-line; ignored, the write
    // fails and the log writer cuts the file back to its last whole line.
    std::signal(SIGXFSZ, SIG_IGN);
    // A write to a pipe nobody reads must fail, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
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
    vemtora::TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &vemtora::TerminationSignals::received, &window, &QWidget::close);

    window.show();
    return app.exec();
}
