// The Windows logger's command line: the window's positional arguments, then its own options.
// Free of the platform, so its rules are tested like the Linux logger's.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/acquisition_settings.h"
#include "shell/logger_common/exit_status.h"
#include "shell/logger_common/option_table.h"
#include "shell/logger_common/option_values.h"

namespace vemtora::logger {

inline constexpr std::string_view kComDeviceHelp = "read COMn (any number: COM17 and up too) instead of the port index";

// Parsed from this table and listed from it by --help.
inline constexpr std::array<OptionEntry, 11> kConsoleOptions = {{
    kSpeedOption,
    kIntervalOption,
    kLogOption,
    {OptionId::Device, "--device", "COMn", kComDeviceHelp},
    kIsoTimeOption,
    kDurationOption,
    kFormatOption,
    kMetricsFileOption,
    kNoReconnectOption,
    kHelpOption,
    kVersionOption,
}};

enum class ConsoleAction { Run, ShowHelp, ShowVersion };

struct ConsoleOptions {
    ConsoleAction action = ConsoleAction::Run;
    AcquisitionSettings settings;
    std::optional<std::wstring> logPath;  // UTF-16, as Windows names files
    bool reconnect = true;
    std::optional<std::int64_t> durationMs;  // --duration: end the run after it
    OutputFormat format = OutputFormat::Text;
    std::optional<std::wstring> metricsFile;  // --metrics-file
};

struct ParsedConsoleLine {
    ConsoleOptions options;
    std::string error;  // empty when the command line is good; always a usage error
};

// "COM17" or "com17" as the port's name, upper case; nullopt for anything else. Windows numbers
// ports from 1; the device namespace takes every number, so no upper bound but the digits'.
std::optional<std::wstring> comPortName(std::string_view text);

// The platform's UTF-8 to UTF-16 conversion of a file name; nullopt where it fails.
using Widen = std::optional<std::wstring> (*)(std::string_view utf8);

// arguments: UTF-8, without the program name; read as the Linux logger reads its own.
ParsedConsoleLine parseConsoleCommandLine(const std::vector<std::string_view>& arguments, Widen widen);

}  // namespace vemtora::logger
