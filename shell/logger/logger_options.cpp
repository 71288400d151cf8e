// Reading the logger's command line without the locale: "0.5" is half a second everywhere.
#include "shell/logger/logger_options.h"

#include <algorithm>
#include <charconv>
#include <variant>

#include "core/controller_interfaces.h"
#include "core/argument_problems.h"
#include "core/option_scanner.h"
#include "core/usage_text.h"
#include "io/metrics/listen_address.h"
#include "io/mqtt/broker_url.h"
#include "io/mqtt/secret_files.h"
#include "io/posix/serial_device_list.h"
#include "io/posix/utf8_path.h"

namespace vemtora::logger {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

template <typename Values, typename Format>
std::string listOf(const Values& values, Format format) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += i + 1 == values.size() ? " or " : ", ";
        text += format(values[i]);
    }
    return text;
}

std::optional<std::int32_t> parseSpeed(std::string_view text) {
    std::int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || !isDigit(text[0]) || result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    if (std::find(kBaudRates.begin(), kBaudRates.end(), value) == kBaudRates.end()) return std::nullopt;
    return value;
}

// Decimal seconds to whole milliseconds, exactly: "0.5", ".5", "0.50" and "1.000" all read;
// anything finer than a millisecond, signs, exponents and commas do not.
std::optional<std::int32_t> parseInterval(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    if (!std::all_of(whole.begin(), whole.end(), isDigit) || !std::all_of(fraction.begin(), fraction.end(), isDigit)) {
        return std::nullopt;
    }
    // Past six digits no value can be one of the menu's; stopping there keeps the sum small.
    const std::size_t firstSignificant = std::min(whole.find_first_not_of('0'), whole.size());
    if (whole.size() - firstSignificant > 6) return std::nullopt;
    std::int64_t milliseconds = 0;
    for (char c : whole) milliseconds = milliseconds * 10 + (c - '0');
    milliseconds *= 1000;
    std::int64_t scale = 100;
    for (char c : fraction) {
        if (scale == 0 && c != '0') return std::nullopt;
        milliseconds += (c - '0') * scale;
        scale /= 10;
    }
    const auto found = std::find(kReportIntervalsMs.begin(), kReportIntervalsMs.end(), milliseconds);
    if (found == kReportIntervalsMs.end()) return std::nullopt;
    return *found;
}

// As in the window: one argument each, joined as the core joins them.
std::wstring coreCommandLine(const std::vector<std::string_view>& positional) {
    std::vector<std::wstring> wide;
    for (const std::string_view argument : positional) {
        std::wstring& text = wide.emplace_back();
        // Only ASCII matters to the parser; other bytes only need to stay non-ASCII.
        for (const char byte : argument) text += static_cast<wchar_t>(static_cast<unsigned char>(byte));
    }
    return commandLineText(wide);
}

}  // namespace

std::string speedChoices() {
    return listOf(kBaudRates, [](std::int32_t rate) { return std::to_string(rate); });
}

std::string intervalChoices() { return listOf(kReportIntervalsMs, secondsText); }

std::string secondsText(std::int32_t milliseconds) {
    std::string text = std::to_string(milliseconds / 1000);
    std::int32_t rest = milliseconds % 1000;
    if (rest == 0) return text;
    text += '.';
    for (std::int32_t digit = 100; rest > 0; digit /= 10) {
        text += static_cast<char>('0' + rest / digit);
        rest %= digit;
    }
    return text;
}

ParsedCommandLine parseLoggerCommandLine(const std::vector<std::string_view>& arguments, const char* mqttPassword) {
    ParsedCommandLine parsed;
    LoggerOptions& options = parsed.options;
    std::vector<std::string_view> positional;
    std::optional<mqtt::BrokerUrl> brokerUrl;
    std::optional<std::string> caFile;
    std::optional<std::string> passwordFile;
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
                if (!interval) return failWith("--interval " + quoted + ": use one of " + intervalChoices() + " (seconds)");
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
            case OptionId::NoReconnect: options.reconnect = false; break;
            case OptionId::Mqtt: {
                auto url = mqtt::parseBrokerUrl(*value);
                if (auto* problem = std::get_if<mqtt::UrlProblem>(&url)) {
                    std::string error = "--mqtt '" + mqtt::redactedUrl(*value) + "': " + problem->sentence;
                    if (problem->passwordInUrl) error += "; use --mqtt-password-file FILE or " + std::string(mqtt::kPasswordVariable);
                    return failWith(std::move(error));
                }
                brokerUrl = std::get<mqtt::BrokerUrl>(std::move(url));
                break;
            }
            case OptionId::MqttCa: caFile = std::string(*value); break;
            case OptionId::MqttPasswordFile: passwordFile = std::string(*value); break;
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
        return failWith("--device and --device-folder exclude each other: a device by its path, or a COM name looked up");
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
        return parsed;
    }
    mqtt::PublisherSettings& mqtt = options.mqtt.emplace();
    mqtt.url = std::move(*brokerUrl);
    mqtt.logStamp = options.settings.logTimeStamp;
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
