// The help and version texts, built from the option table and the core's lists and defaults.
#include "shell/logger/logger_texts.h"

#include <unistd.h>

#include "core/acquisition_settings.h"
#include "core/usage_text.h"
#include "io/posix/whole_write.h"
#include "shell/logger/exit_status.h"
#include "shell/logger/logger_options.h"
#include "shell/logger/standard_error.h"
#include "shell/logger/standard_output.h"
#include "vemtora_version.h"

namespace vemtora::logger {

std::string helpText() {
    const AcquisitionSettings defaults;
    std::string text = "Usage: " + std::string(kProgramName) +
                       " [port-index [voltage-scale current-scale]] [options]\n"
                       "Reads a power meter on a serial port and writes one line per report interval in\n"
                       "which frames arrived to standard output and, with --log, to a log file.\n\n";
    addPositionalHelpRows(text);
    for (const OptionEntry& entry : kOptions) {
        std::string left(entry.name);
        if (!entry.valueName.empty()) left.append(" ").append(entry.valueName);
        std::string help(entry.help);
        // append(), not operator+ on temporaries: GCC 12 sees overlaps in those that are not there.
        if (entry.id == OptionId::Speed) {
            help.append(" ").append(speedChoices()).append("; default ").append(std::to_string(defaults.baudRate));
        }
        if (entry.id == OptionId::Interval) {
            help.append(" ").append(intervalChoices()).append(" s; default ").append(secondsText(defaults.reportIntervalMs));
        }
        addHelpRow(text, left, help);
    }
    text += "\nSignals:\n";
    addHelpRow(text, "SIGTERM, SIGINT, SIGHUP",
           "end the run after a whole line; one that was ignored at start (nohup, a background job) stays ignored");
    addHelpRow(text, "SIGUSR1", "close the --log file and open its name again, after a rotation");
    text += "\nStandard output never holds up the log: a slow reader's lines wait in a " +
            std::to_string(kOutputQueueBytes >> 20) +
            " MiB\nqueue; when it is full the oldest are dropped there, never from the log file,\n"
            "and standard error says how many.\n";
    text += "\nExit status:\n";
    addHelpRow(text, std::to_string(kExitOk), "ended by a signal, or the reader of standard output went away");
    addHelpRow(text, std::to_string(kExitRuntimeFailure),
           "the port, the log file or an MQTT password or CA file could not be opened, or the device went "
           "away with --no-reconnect");
    addHelpRow(text, std::to_string(kExitUsage), "a bad command line, or standard output closed without --log");
    return text;
}

std::string versionText() { return std::string(kProgramName) + " (Vemtora) " VEMTORA_VERSION "\n"; }

std::string messageLine(std::string_view sentence) { return vemtora::messageLine(kProgramName, sentence); }

std::string usageErrorText(std::string_view error) { return vemtora::usageErrorText(kProgramName, error); }

StandardError& standardError() {
    static StandardError channel(STDERR_FILENO, kMessageQueueBytes, kProgramName);
    return channel;
}

void tellUser(std::string_view sentence) { standardError().tell(sentence); }

}  // namespace vemtora::logger
