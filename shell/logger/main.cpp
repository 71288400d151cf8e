// vemtora-logger: the Linux edition without a window, for unattended logging.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "io/metrics/metrics_file.h"
#include "io/metrics/metrics_server.h"
#include "io/mqtt/mqtt_publisher.h"
#include "io/mqtt/secret_files.h"
#include "io/posix/replaced_file.h"
#include "io/posix/serial_port_link.h"
#include "io/posix/termination_signals.h"
#include "io/posix/utf8_path.h"
#include "io/posix/whole_write.h"
#include "shell/logger/energy_state.h"
#include "shell/logger/json_output.h"
#include "shell/logger/logger_options.h"
#include "shell/logger/logger_shell.h"
#include "shell/logger/logger_texts.h"
#include "shell/logger/reading_fan_out.h"
#include "shell/logger/tee_log_file.h"
#include "shell/logger_common/exit_status.h"

namespace {

using namespace vemtora;
using namespace vemtora::logger;

// Started with standard output closed (`>&-`): /dev/null takes its place, so no descriptor the
// logger opens later becomes its standard output. False then.
bool standardOutputOpen() {
    if (::fcntl(STDOUT_FILENO, F_GETFD) != -1 || errno != EBADF) return true;
    const int fd = ::open("/dev/null", O_WRONLY);
    if (fd >= 0 && fd != STDOUT_FILENO) {
        ::dup2(fd, STDOUT_FILENO);
        ::close(fd);
    }
    return false;
}

// The metrics' device label: the path the user gave, or the COM name.
std::string deviceName(const LoggerOptions& options) { return posix::shownPath(portName(options.settings)); }

}  // namespace

int main(int argc, char* argv[]) {
    // First, before any descriptor is opened.
    const bool outputOpen = standardOutputOpen();
    // Made on this thread, the loop's, which alone writes it.
    standardError();
    // Before anything can be interrupted: a signal during start-up then ends the run cleanly too.
    posix::TerminationSignals signals({kReopenSignal});
    // A reader that goes away is seen as EPIPE and ends the run after a whole line; past a
    // file-size limit the write fails and the log writer cuts the file back to its last whole line.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    ::tzset();

    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedCommandLine parsed = parseLoggerCommandLine(arguments, std::getenv(mqtt::kPasswordVariable));
    if (!parsed.error.empty()) {
        const bool usage = parsed.errorStatus == kExitUsage;
        posix::writeAll(STDERR_FILENO, usage ? usageErrorText(parsed.error) : messageLine(parsed.error));
        return parsed.errorStatus;
    }
    const LoggerOptions& options = parsed.options;
    if (options.action != Action::Run) {
        const std::string text = options.action == Action::ShowHelp ? helpText() : versionText();
        return posix::writeAll(STDOUT_FILENO, text) ? kExitOk : kExitRuntimeFailure;
    }

    if (!outputOpen && !options.logPath) {
        posix::writeAll(STDERR_FILENO, usageErrorText("standard output is closed and there is no --log FILE: "
                                                      "the lines would go nowhere"));
        return kExitUsage;
    }

    for (const std::string& warning : options.warnings) tellUser(warning);
    // Every output that counts energy continues from the kept total.
    double energyAtStart = 0.0;
    if (options.energyStatePath) {
        const KeptEnergy kept = loadEnergy(*options.energyStatePath, deviceName(options));
        if (!kept.refusal.empty()) {
            posix::writeAll(STDERR_FILENO, messageLine(kept.refusal));
            return kExitRuntimeFailure;
        }
        if (!kept.message.empty()) tellUser(kept.message);
        energyAtStart = kept.joules;
    }

    SerialPortLink link(options.deviceFolder);
    const bool json = options.format == OutputFormat::Json;
    TeeLogFile log(outputOpen ? STDOUT_FILENO : -1, options.logPath, tellUser, !json);
    ReadingFanOut outputs;
    std::unique_ptr<EnergyStateFile> energyState;
    if (options.energyStatePath) {
        energyState =
            std::make_unique<EnergyStateFile>(*options.energyStatePath, deviceName(options), energyAtStart, tellUser);
        outputs.add(*energyState);
    }
    std::unique_ptr<JsonOutput> jsonOutput;
    if (json && log.output() != nullptr) {
        jsonOutput = std::make_unique<JsonOutput>(*log.output(), options.settings.logTimeStamp);
        outputs.add(*jsonOutput);
    }
    std::unique_ptr<metrics::MetricsFile> metricsFile;
    if (options.metricsFile) {
        const std::string path = *options.metricsFile;
        metricsFile = std::make_unique<metrics::MetricsFile>(
            deviceName(options), path, [path](std::string_view text) { return posix::replaceFile(path, text); },
            tellUser, energyAtStart);
        outputs.add(*metricsFile);
    }
    std::unique_ptr<metrics::MetricsServer> metricsServer;
    if (options.metrics) {
        metricsServer =
            std::make_unique<metrics::MetricsServer>(*options.metrics, deviceName(options), tellUser, energyAtStart);
        outputs.add(*metricsServer);
    }
    // After everything that can end the start: a publisher announces itself online at once.
    std::unique_ptr<mqtt::MqttPublisher> publisher;
    if (options.mqtt) {
        publisher = std::make_unique<mqtt::MqttPublisher>(*options.mqtt, tellUser, energyAtStart);
        outputs.add(*publisher);
    }
    LoggerShell shell(options, link, log, signals, outputs.empty() ? nullptr : &outputs);
    return shell.run();
}
