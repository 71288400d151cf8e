// The Linux edition's entry point.
#include <QApplication>
#include <QSocketNotifier>

#include <unistd.h>

#include <csignal>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "core/usage_text.h"
#include "event_loop_choice.h"
#include "io/posix/failure.h"
#include "io/posix/log_file_writer.h"
#include "io/posix/serial_device_list.h"
#include "io/posix/serial_port_link.h"
#include "io/posix/termination_signals.h"
#include "io/posix/whole_write.h"
#include "main_window.h"

namespace {

void tellUser(std::string_view sentence) {
    vemtora::posix::writeAll(STDERR_FILENO, vemtora::messageLine(vemtora::kWindowProgramName, sentence));
}

}  // namespace

int main(int argc, char* argv[]) {
    // Past a file-size limit the kernel would kill the program mid-line; ignored, the write
    // fails and the log writer cuts the file back to its last whole line.
    std::signal(SIGXFSZ, SIG_IGN);
    // A write to a pipe nobody reads must fail, not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    // Before Qt, which would want a display even to say its version.
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const vemtora::ShellCommandLine commandLine = vemtora::parseShellCommandLine(arguments);
    if (!commandLine.error.empty()) {
        vemtora::posix::writeAll(STDERR_FILENO,
                                 vemtora::usageErrorText(vemtora::kWindowProgramName, commandLine.error));
        return 2;
    }
    if (commandLine.action != vemtora::ShellCommandLine::Action::Run) {
        const bool help = commandLine.action == vemtora::ShellCommandLine::Action::ShowHelp;
        return vemtora::posix::writeAll(STDOUT_FILENO, help ? vemtora::windowHelpText() : vemtora::windowVersionText())
                   ? 0
                   : 1;
    }
    for (const std::string& note : commandLine.notes) tellUser(note);

    // The window ends on these even when the shell that started it ignored them (nohup, a
    // background job); the class would leave an ignored one ignored.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
    // Before Qt starts its threads, so that every thread has the signals blocked.
    vemtora::posix::TerminationSignals terminationSignals;
    vemtora::preferPlainEventDispatcher();
    // Qt reads only its own options; it keeps argc and argv for the application's whole life.
    std::vector<std::string> qtArguments{argc > 0 ? argv[0] : "vemtora"};
    qtArguments.insert(qtArguments.end(), commandLine.qtArguments.begin(), commandLine.qtArguments.end());
    std::vector<char*> qtArgv;
    for (std::string& argument : qtArguments) qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArguments.size());
    QApplication app(qtArgc, qtArgv.data());

    // Created before the window and released after it, so the controller never outlives them.
    vemtora::SerialPortLink link(commandLine.deviceFolder);
    vemtora::LogFileWriter logFile;

    vemtora::MainWindow window(commandLine.settings, link, logFile);
    window.setDeviceLister([] { return vemtora::posix::listSerialDevices(); });
    window.setFailedStartReason([&link] {
        const std::string sentence = vemtora::posix::describeFailure(link.lastFailure());
        tellUser(sentence);
        return sentence;
    });
    // SIGTERM, SIGINT and SIGHUP close the window like its close box, so an open log ends with
    // whole lines.
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (terminationSignals.valid()) {
        signalNotifier = std::make_unique<QSocketNotifier>(terminationSignals.fd(), QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &window, [&] {
            while (terminationSignals.take() != 0) {}
            window.close();
        });
    }

    window.show();
    return app.exec();
}
