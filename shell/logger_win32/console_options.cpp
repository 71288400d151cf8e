// Reading the Windows logger's command line with the option scanner and values both loggers share.
#include "shell/logger_win32/console_options.h"

#include "core/argument_problems.h"
#include "core/controller_interfaces.h"
#include "core/option_scanner.h"
#include "shell/logger_common/option_values.h"

namespace vemtora::logger {

std::optional<std::wstring> comPortName(std::string_view text) {
    if (text.size() < 4 || text.size() > 3 + 9) return std::nullopt;  // nine digits stay inside DWORD
    for (std::size_t i = 0; i < 3; ++i) {
        if ((text[i] | 0x20) != "com"[i]) return std::nullopt;
    }
    const std::string_view digits = text.substr(3);
    if (digits[0] == '0') return std::nullopt;
    std::wstring name = L"COM";
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        name += static_cast<wchar_t>(c);
    }
    return name;
}

ParsedConsoleLine parseConsoleCommandLine(const std::vector<std::string_view>& arguments, Widen widen) {
    ParsedConsoleLine parsed;
    ConsoleOptions& options = parsed.options;
    std::vector<std::string_view> positional;
    const auto failWith = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };

    OptionScanner<OptionEntry> scanner(arguments, kConsoleOptions);
    while (const auto item = scanner.next()) {
        if (item->option == nullptr) {
            positional.push_back(item->value);
            continue;
        }
        const std::string_view value = item->value;
        const std::string quoted = std::string("'").append(value).append("'");
        switch (item->option->id) {
            case OptionId::Speed: {
                const auto speed = parseSpeed(value);
                if (!speed) return failWith("--speed " + quoted + ": use one of " + speedChoices());
                options.settings.baudRate = *speed;
                break;
            }
            case OptionId::Interval: {
                const auto interval = parseInterval(value);
                if (!interval)
                    return failWith("--interval " + quoted + ": use one of " + intervalChoices() + " (seconds)");
                options.settings.reportIntervalMs = *interval;
                break;
            }
            case OptionId::Log: {
                if (value.empty()) return failWith("--log needs a file name");
                auto path = widen(value);
                if (!path || path->find(L'\0') != std::wstring::npos) {
                    return failWith("--log " + quoted + ": not a file name");
                }
                if (path->size() > kMaxLogPathLength) {
                    return failWith("--log: the file name is longer than " + std::to_string(kMaxLogPathLength) +
                                    " characters");
                }
                options.logPath = std::move(*path);
                break;
            }
            case OptionId::MetricsFile: {
                auto path = value.empty() ? std::nullopt : widen(value);
                if (!path || path->empty() || path->find(L'\0') != std::wstring::npos) {
                    return failWith("--metrics-file " + quoted + ": not a file name");
                }
                options.metricsFile = std::move(*path);
                break;
            }
            case OptionId::Device: {
                auto name = comPortName(value);
                if (!name) return failWith("--device " + quoted + ": name a port as COMn: COM1, COM17, ...");
                options.settings.device = NamedDevice{*name, *name};
                break;
            }
            case OptionId::IsoTime: options.settings.logTimeStamp = LogTimeStamp::LocalDateTime; break;
            case OptionId::Duration: {
                options.durationMs = parseDuration(value);
                if (!options.durationMs) return failWith("--duration " + quoted + ": " + std::string(kDurationForms));
                break;
            }
            case OptionId::Format: {
                const auto format = parseFormat(value);
                if (!format) return failWith("--format " + quoted + ": use text or json");
                options.format = *format;
                break;
            }
            case OptionId::NoReconnect: options.reconnect = false; break;
            case OptionId::Help: options.action = ConsoleAction::ShowHelp; return parsed;
            case OptionId::Version: options.action = ConsoleAction::ShowVersion; return parsed;
            default: return failWith("unknown option " + std::string(item->option->name));
        }
    }
    if (!scanner.error().empty()) return failWith(scanner.error());
    // Unattended, what the window would leave at its defaults would log wrong numbers for days.
    if (const auto problem = strictArgumentProblem(positional)) {
        if (problem->fault == ArgumentFault::PortNotANumber) {
            return failWith(problem->sentence + "; to read a port by its name, use --device COMn");
        }
        if (problem->fault == ArgumentFault::PortOutOfRange) {
            return failWith(problem->sentence + "; for COM17 and up, use --device COMn");
        }
        return failWith(problem->sentence);
    }
    parseCommandLine(options.settings, coreCommandLine(positional));
    return parsed;
}

}  // namespace vemtora::logger
