// The logger's command line: the window edition's positional arguments, then its own options.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/acquisition_settings.h"
#include "core/usage_text.h"
#include "io/metrics/listen_address.h"
#include "io/mqtt/mqtt_publisher.h"
#include "io/posix/serial_device_path.h"
#include "shell/logger_common/exit_status.h"
#include "shell/logger_common/option_table.h"
#include "shell/logger_common/option_values.h"

namespace vemtora::logger {

// Parsed from this table and listed from it by --help.
inline constexpr std::array<OptionEntry, 18> kOptions = {{
    kSpeedOption,
    kIntervalOption,
    kLogOption,
    {OptionId::Device, "--device", "PATH", kDeviceOptionHelp},
    {OptionId::DeviceFolder, "--device-folder", "DIR", kDeviceFolderOptionHelp},
    kIsoTimeOption,
    kDurationOption,
    kFormatOption,
    kMetricsFileOption,
    kNoReconnectOption,
    {OptionId::Mqtt, "--mqtt", "URL", "publish each reading: mqtt[s]://[user@]host[:port]/topic/prefix"},
    {OptionId::MqttCa, "--mqtt-ca", "FILE", "trust the broker's certificate by FILE instead of the system's CAs"},
    {OptionId::MqttPasswordFile, "--mqtt-password-file", "FILE", "the broker's password, first line of FILE"},
    {OptionId::MqttDiscovery, "--mqtt-discovery", "[=PREFIX]",
     "announce the meter to Home Assistant under PREFIX, default homeassistant"},
    {OptionId::EnergyState, "--energy-state", "FILE",
     "keep the energy total in FILE across runs, saved each minute and at the end"},
    {OptionId::Metrics, "--metrics", "[ADDRESS:]PORT",
     "serve Prometheus metrics at http://ADDRESS:PORT/metrics; ADDRESS 127.0.0.1 unless given"},
    kHelpOption,
    kVersionOption,
}};

enum class Action { Run, ShowHelp, ShowVersion };

struct LoggerOptions {
    Action action = Action::Run;
    // Port and scales as the window reads them, but strictly; the device, speed, interval and
    // time stamp from the options.
    AcquisitionSettings settings;
    std::optional<std::wstring> logPath;
    std::string deviceFolder = posix::kDefaultDeviceFolder;
    bool reconnect = true;
    std::optional<std::int64_t> durationMs;  // --duration: end the run after it
    OutputFormat format = OutputFormat::Text;
    std::optional<std::string> metricsFile;       // --metrics-file
    std::optional<mqtt::PublisherSettings> mqtt;  // --mqtt, with its password and CA file read
    std::optional<metrics::ListenAddress> metrics;
    std::optional<std::string> energyStatePath;  // --energy-state
    std::vector<std::string> warnings;           // said once at the start, for example a password file others can read
};

struct ParsedCommandLine {
    LoggerOptions options;
    std::string error;             // empty when the command line is good
    int errorStatus = kExitUsage;  // kExitRuntimeFailure when a file it names cannot be read
};

// arguments: without the program name. Options and positional arguments may come in any
// order; "--" ends the options; a repeated option keeps its last value, as with getopt (the
// service's OPTIONS may repeat one the unit gives). --help and --version end the parsing where
// they stand. Positional arguments must read whole, unlike in the window: what the window would
// leave at its defaults is refused.
// mqttPassword: the environment's VEMTORA_MQTT_PASSWORD, nullptr when unset.
ParsedCommandLine parseLoggerCommandLine(const std::vector<std::string_view>& arguments,
                                         const char* mqttPassword = nullptr);

}  // namespace vemtora::logger
