// The help and version texts, built from the option table and the core's lists and defaults.
#include "shell/logger/logger_texts.h"

#include <unistd.h>

#include <charconv>

#include "core/acquisition_settings.h"
#include "io/posix/whole_write.h"
#include "shell/logger/exit_status.h"
#include "shell/logger/logger_options.h"
#include "shell/logger/standard_output.h"
#include "vemtora_version.h"

namespace vemtora::logger {

namespace {

constexpr std::size_t kHelpColumn = 27;

std::string shortest(double value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return {digits, result.ptr};
}

std::string portName(std::uint32_t index) {
    const std::wstring_view wide = kPortNames[index];
    return {wide.begin(), wide.end()};
}

constexpr std::size_t kLineWidth = 79;

// The help column starts below the option when the option is too long, and wraps at blanks.
void addRow(std::string& text, std::string_view left, std::string_view help) {
    std::string row = "  " + std::string(left);
    row += row.size() < kHelpColumn ? std::string(kHelpColumn - row.size(), ' ') : "\n" + std::string(kHelpColumn, ' ');
    std::size_t column = kHelpColumn;
    while (!help.empty()) {
        const std::size_t blank = help.find(' ');
        const std::string_view word = help.substr(0, blank);
        if (column > kHelpColumn && column + 1 + word.size() > kLineWidth) {
            row += "\n" + std::string(kHelpColumn, ' ');
            column = kHelpColumn;
        } else if (column > kHelpColumn) {
            row += ' ';
            ++column;
        }
        row += word;
        column += word.size();
        help.remove_prefix(blank == std::string_view::npos ? help.size() : blank + 1);
    }
    text += row + "\n";
}

}  // namespace

std::string helpText() {
    const AcquisitionSettings defaults;
    std::string text = "Usage: " + std::string(kProgramName) +
                       " [port-index [voltage-scale current-scale]] [options]\n"
                       "Reads a power meter on a serial port and writes one line per report interval in\n"
                       "which frames arrived to standard output and, with --log, to a log file.\n\n";
    addRow(text, "port-index",
           "COM port, 0 (" + portName(0) + ") to " + std::to_string(kPortCount - 1) + " (" +
               portName(kPortCount - 1) + "); default " + std::to_string(defaults.portIndex) + " (" +
               portName(defaults.portIndex) + ")");
    addRow(text, "voltage-scale current-scale",
           "both greater than 0; defaults " + shortest(defaults.voltageScale) + " " + shortest(defaults.currentScale));
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
        addRow(text, left, help);
    }
    text += "\nSignals:\n";
    addRow(text, "SIGTERM, SIGINT, SIGHUP",
           "end the run after a whole line; one that was ignored at start (nohup, a background job) stays ignored");
    addRow(text, "SIGUSR1", "close the --log file and open its name again, after a rotation");
    text += "\nStandard output never holds up the log: a slow reader's lines wait in a " +
            std::to_string(kOutputQueueBytes >> 20) +
            " MiB\nqueue; when it is full the oldest are dropped there, never from the log file,\n"
            "and standard error says how many.\n";
    text += "\nExit status:\n";
    addRow(text, std::to_string(kExitOk), "ended by a signal, or the reader of standard output went away");
    addRow(text, std::to_string(kExitRuntimeFailure),
           "the port, the log file or an MQTT password or CA file could not be opened, or the device went "
           "away with --no-reconnect");
    addRow(text, std::to_string(kExitUsage), "a bad command line, or standard output closed without --log");
    return text;
}

std::string versionText() { return std::string(kProgramName) + " (Vemtora) " VEMTORA_VERSION "\n"; }

std::string messageLine(std::string_view sentence) {
    return std::string(kProgramName) + ": " + std::string(sentence) + "\n";
}

std::string usageErrorText(std::string_view error) {
    return messageLine(error) + "Try '" + std::string(kProgramName) + " --help' for more information.\n";
}

void tellUser(std::string_view sentence) { posix::writeAll(STDERR_FILENO, messageLine(sentence)); }

}  // namespace vemtora::logger
