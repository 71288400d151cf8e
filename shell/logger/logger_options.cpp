// Reading the logger's command line without the locale: "0.5" is half a second everywhere.
#include "shell/logger/logger_options.h"

#include <variant>

#include "core/argument_problems.h"
#include "core/controller_interfaces.h"
#include "core/option_scanner.h"
#include "core/usage_text.h"
#include "io/metrics/listen_address.h"
#include "io/mqtt/broker_url.h"
#include "io/mqtt/discovery_messages.h"
#include "io/mqtt/secret_files.h"
#include "io/posix/serial_device_list.h"
#include "io/posix/utf8_path.h"
#include "shell/logger_common/option_values.h"

namespace vemtora::logger {

ParsedCommandLine parseLoggerCommandLine(const std::vector<std::string_view>& arguments, const char* mqttPassword) {
    ParsedCommandLine parsed;
    LoggerOptions& options = parsed.options;
    std::vector<std::string_view> positional;
    std::optional<mqtt::BrokerUrl> brokerUrl;
    std::optional<std::string> caFile;
    std::optional<std::string> passwordFile;
    std::optional<std::string> discoveryPrefix;
    bool deviceFolderGiven = false;
    const auto failWith = [&](std::string message, int status = kExitUsage) {
        parsed.error = std::move(message);
        parsed.errorStatus = status;
        return parsed;
    };

    OptionScanner<OptionEntry> scanner(arguments, kOptions);
    while (const auto item = scanner.next()) {
        if (item->option == nullptr) {
            positional.push_back(item->value);
            continue;
        }
        const OptionEntry* entry = item->option;
        const std::optional<std::string_view> value =
            entry->valueName.empty() ? std::nullopt : std::optional<std::string_view>(item->value);
        const std::string quoted = value ? std::string("'").append(*value).append("'") : std::string();

        switch (entry->id) {
            case OptionId::Speed: {
                const auto speed = parseSpeed(*value);
                if (!speed) return failWith("--speed " + quoted + ": use one of " + speedChoices());
                options.settings.baudRate = *speed;
                break;
            }
            case OptionId::Interval: {
                const auto interval = parseInterval(*value);
                if (!interval)
                    return failWith("--interval " + quoted + ": use one of " + intervalChoices() + " (seconds)");
                options.settings.reportIntervalMs = *interval;
                break;
            }
            case OptionId::Log: {
                if (value->empty()) return failWith("--log needs a file name");
                auto path = posix::fromUtf8Path(*value);
                if (!path) return failWith("--log " + quoted + ": the file name is not valid UTF-8");
                if (path->size() > kMaxLogPathLength) {
                    return failWith("--log: the file name is longer than " + std::to_string(kMaxLogPathLength) +
                                    " characters");
                }
                options.logPath = std::move(*path);
                break;
            }
            case OptionId::Device: {
                auto device = value->empty() ? std::nullopt : posix::namedDevice(std::string(*value));
                if (!device) return failWith(devicePathError(entry->name, *value));
                options.settings.device = std::move(*device);
                break;
            }
            case OptionId::DeviceFolder:
                // As in the window: an empty folder means the default.
                options.deviceFolder = value->empty() ? posix::kDefaultDeviceFolder : std::string(*value);
                deviceFolderGiven = true;
                break;
            case OptionId::IsoTime: options.settings.logTimeStamp = LogTimeStamp::LocalDateTime; break;
            case OptionId::Duration: {
                options.durationMs = parseDuration(*value);
                if (!options.durationMs) return failWith("--duration " + quoted + ": " + std::string(kDurationForms));
                break;
            }
            case OptionId::Format: {
                const auto format = parseFormat(*value);
                if (!format) return failWith("--format " + quoted + ": use text or json");
                options.format = *format;
                break;
            }
            case OptionId::MetricsFile:
                if (value->empty()) return failWith("--metrics-file needs a file name");
                options.metricsFile = std::string(*value);
                break;
            case OptionId::NoReconnect: options.reconnect = false; break;
            case OptionId::Mqtt: {
                auto url = mqtt::parseBrokerUrl(*value);
                if (auto* problem = std::get_if<mqtt::UrlProblem>(&url)) {
                    std::string error = "--mqtt '" + mqtt::redactedUrl(*value) + "': " + problem->sentence;
                    if (problem->passwordInUrl)
                        error += "; use --mqtt-password-file FILE or " + std::string(mqtt::kPasswordVariable);
                    return failWith(std::move(error));
                }
                brokerUrl = std::get<mqtt::BrokerUrl>(std::move(url));
                break;
            }
            case OptionId::MqttCa: caFile = std::string(*value); break;
            case OptionId::MqttPasswordFile: passwordFile = std::string(*value); break;
            case OptionId::EnergyState:
                if (value->empty()) return failWith("--energy-state needs a file name");
                options.energyStatePath = std::string(*value);
                break;
            case OptionId::MqttDiscovery: {
                // Without "=" the value has no data at all.
                discoveryPrefix =
                    value->data() == nullptr ? std::string(mqtt::kDefaultDiscoveryPrefix) : std::string(*value);
                if (std::string problem = mqtt::topicPrefixProblem(*discoveryPrefix); !problem.empty()) {
                    return failWith("--mqtt-discovery " + quoted + ": the prefix " + problem);
                }
                break;
            }
            case OptionId::Metrics: {
                auto listen = metrics::parseListenAddress(*value);
                if (!listen.address) return failWith("--metrics " + quoted + ": " + listen.error);
                options.metrics = std::move(*listen.address);
                break;
            }
            case OptionId::Help: options.action = Action::ShowHelp; return parsed;
            case OptionId::Version: options.action = Action::ShowVersion; return parsed;
        }
    }
    if (!scanner.error().empty()) return failWith(scanner.error());
    if (options.settings.device && deviceFolderGiven) {
        return failWith(
            "--device and --device-folder exclude each other: a device by its path, or a COM name looked up");
    }
    // The window takes what it can read and keeps the defaults for the rest; unattended, that
    // would log wrong numbers for days, so the logger refuses what the window would not take.
    if (const auto problem = strictArgumentProblem(positional)) {
        if (problem->fault == ArgumentFault::PortNotANumber) {
            return failWith(problem->sentence + "; to read a device by its path, use --device " + problem->text);
        }
        return failWith(problem->sentence);
    }
    parseCommandLine(options.settings, coreCommandLine(positional));

    // The broker's options, once all are known: the password and CA files are read now, so a
    // missing one ends the start rather than the first connection.
    if (!brokerUrl) {
        if (caFile) return failWith("--mqtt-ca needs --mqtt");
        if (passwordFile) return failWith("--mqtt-password-file needs --mqtt");
        if (discoveryPrefix) return failWith("--mqtt-discovery needs --mqtt");
        return parsed;
    }
    mqtt::PublisherSettings& mqtt = options.mqtt.emplace();
    mqtt.url = std::move(*brokerUrl);
    mqtt.logStamp = options.settings.logTimeStamp;
    mqtt.discoveryPrefix = std::move(discoveryPrefix);
    if (caFile) {
        if (!mqtt.url.tls) return failWith("--mqtt-ca needs an mqtts:// URL");
        if (std::string problem = mqtt::caFileProblem(*caFile); !problem.empty()) {
            return failWith(std::move(problem), kExitRuntimeFailure);
        }
        mqtt.caFile = std::move(caFile);
    }
    if (passwordFile) {
        mqtt::PasswordFile file = mqtt::readPasswordFile(*passwordFile);
        if (!file.password) return failWith(std::move(file.problem), kExitRuntimeFailure);
        if (!file.warning.empty()) options.warnings.push_back(std::move(file.warning));
        mqtt.password = std::move(file.password);
    } else if (mqttPassword != nullptr) {
        if (std::string_view(mqttPassword).size() > mqtt::kMaxPasswordLength) {
            return failWith(std::string(mqtt::kPasswordVariable) + " is too long for a password", kExitRuntimeFailure);
        }
        mqtt.password = std::string(mqttPassword);
    }
    if (mqtt.password && mqtt.url.user.empty()) return failWith("a broker password needs a user: mqtt://user@host/...");
    return parsed;
}

}  // namespace vemtora::logger
