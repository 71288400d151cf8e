// The help and version texts, built from the option table and the core's lists and defaults.
#include "shell/logger/logger_texts.h"

#include <unistd.h>

#include "core/usage_text.h"
#include "io/posix/whole_write.h"
#include "shell/logger/logger_options.h"
#include "shell/logger/standard_error.h"
#include "shell/logger/standard_output.h"
#include "shell/logger_common/logger_help.h"
#include "vemtora_version.h"

namespace vemtora::logger {

std::string helpText() {
    std::string text = helpHead(kProgramName);
    addOptionRows(text, kOptions);
    text += "\nSignals:\n";
    addHelpRow(text, "SIGTERM, SIGINT, SIGHUP",
               "end the run after a whole line; one that was ignored at start (nohup, a background job) stays ignored");
    addHelpRow(text, "SIGUSR1", "close the --log file and open its name again, after a rotation");
    text += "\nStandard output never holds up the log: a slow reader's lines wait in a " +
            std::to_string(kOutputQueueBytes >> 20) +
            " MiB\nqueue; when it is full the oldest are dropped there, never from the log file,\n"
            "and standard error says how many.\n";
    addExitStatusRows(text,
                      "the port, the log file or an MQTT password or CA file could not be opened, or the device went "
                      "away with --no-reconnect");
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
