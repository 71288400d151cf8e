// Help rows built from the option table and the core's lists and defaults.
#include "shell/logger_common/logger_help.h"

#include "core/acquisition_settings.h"
#include "core/usage_text.h"
#include "shell/logger_common/exit_status.h"
#include "shell/logger_common/option_values.h"

namespace vemtora::logger {

std::string helpHead(std::string_view program) {
    std::string text = "Usage: " + std::string(program) +
                       " [port-index [voltage-scale current-scale]] [options]\n"
                       "Reads a power meter on a serial port and writes one line per report interval in\n"
                       "which frames arrived to standard output and, with --log, to a log file.\n\n";
    addPositionalHelpRows(text);
    return text;
}

void addOptionRows(std::string& text, std::span<const OptionEntry> options) {
    const AcquisitionSettings defaults;
    for (const OptionEntry& entry : options) {
        std::string left(entry.name);
        if (!entry.valueName.empty()) left.append(entry.valueName.starts_with("[=") ? "" : " ").append(entry.valueName);
        std::string help(entry.help);
        // append(), not operator+ on temporaries: GCC 12 sees overlaps in those that are not there.
        if (entry.id == OptionId::Speed) {
            help.append(" ").append(speedChoices()).append("; default ").append(std::to_string(defaults.baudRate));
        }
        if (entry.id == OptionId::Interval) {
            help.append(" ")
                .append(intervalChoices())
                .append(" s; default ")
                .append(secondsText(defaults.reportIntervalMs));
        }
        addHelpRow(text, left, help);
    }
}

void addExitStatusRows(std::string& text, std::string_view runtimeFailure) {
    text += "\nExit status:\n";
    addHelpRow(text, std::to_string(kExitOk), "ended by a signal, or the reader of standard output went away");
    addHelpRow(text, std::to_string(kExitRuntimeFailure), runtimeFailure);
    addHelpRow(text, std::to_string(kExitUsage), "a bad command line, or standard output closed without --log");
}

}  // namespace vemtora::logger
