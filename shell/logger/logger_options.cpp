// Reading the logger's command line without the locale: "0.5" is half a second everywhere.
#include "shell/logger/logger_options.h"

#include <algorithm>
#include <charconv>

#include "core/controller_interfaces.h"
#include "core/scan_reader.h"
#include "io/metrics/listen_address.h"
#include "io/posix/utf8_path.h"

namespace vemtora::logger {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "-5" and "-.5" are numbers for the window's parser (it ignores them); "-x" is an option.
bool looksLikeOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-' && !isDigit(argument[1]) && argument[1] != '.';
}

const OptionEntry* findOption(std::string_view name) {
    for (const OptionEntry& entry : kOptions) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

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

// The window reads past what is no number and keeps its defaults; unattended, that would log
// with the wrong port or scales for days, so the logger refuses it and says what was meant.
std::string positionalError(const std::vector<std::string_view>& positional) {
    std::size_t index = 0;
    for (const std::string_view argument : positional) {
        ScanReader<char> reader(argument);
        for (reader.skipWhite(); reader.position() < argument.size(); reader.skipWhite(), ++index) {
            const std::size_t start = reader.position();
            const bool read = index == 0 ? reader.readInt32().status != ScanStatus::Missing
                                         : reader.readFloat().status != ScanStatus::Missing;
            const std::size_t end = std::min(argument.find_first_of(" \t\n\v\f\r", start), argument.size());
            if (read && reader.position() == end) continue;
            const std::string text(argument.substr(start, end - start));
            if (index == 0) return text + " is not a port number; to read a device by its path, use --device " + text;
            return text + " is not a scale factor; write it as a number with a decimal point, such as 0.646";
        }
    }
    return {};
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

ParsedCommandLine parseLoggerCommandLine(const std::vector<std::string_view>& arguments) {
    ParsedCommandLine parsed;
    LoggerOptions& options = parsed.options;
    std::vector<std::string_view> positional;
    const auto failWith = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };

    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || !looksLikeOption(argument)) {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const OptionEntry* entry = findOption(name);
        if (entry == nullptr) return failWith("unknown option " + std::string(name));
        std::optional<std::string_view> value;
        if (equals != std::string_view::npos) {
            if (entry->valueName.empty()) return failWith(std::string(name) + " takes no value");
            value = argument.substr(equals + 1);
        } else if (!entry->valueName.empty()) {
            if (i + 1 >= arguments.size()) return failWith(std::string(name) + " needs a value");
            // "--log --iso-time" is a forgotten file name far more often than a file so named;
            // --log=--iso-time still says the latter.
            if (looksLikeOption(arguments[i + 1])) {
                return failWith(std::string(name) + " needs a value, not the option " + std::string(arguments[i + 1]));
            }
            value = arguments[++i];
        }
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
            case OptionId::Device:
                if (value->empty()) return failWith("--device needs a path");
                options.devicePath = std::string(*value);
                break;
            case OptionId::DeviceFolder:
                // As in the window: an empty folder means the default.
                options.deviceFolder = value->empty() ? posix::kDefaultDeviceFolder : std::string(*value);
                break;
            case OptionId::IsoTime: options.settings.logTimeStamp = LogTimeStamp::LocalDateTime; break;
            case OptionId::NoReconnect: options.reconnect = false; break;
            case OptionId::Mqtt: options.mqttUrl = std::string(*value); break;
            case OptionId::MqttCa: options.mqttCaFile = std::string(*value); break;
            case OptionId::MqttPasswordFile: options.mqttPasswordFile = std::string(*value); break;
            case OptionId::Metrics: {
                const auto listen = metrics::parseListenAddress(*value);
                if (!listen.address) return failWith("--metrics " + quoted + ": " + listen.error);
                options.metricsAddress = std::string(*value);
                break;
            }
            case OptionId::Help: options.action = Action::ShowHelp; return parsed;
            case OptionId::Version: options.action = Action::ShowVersion; return parsed;
        }
    }
    if (std::string error = positionalError(positional); !error.empty()) return failWith(std::move(error));
    parseCommandLine(options.settings, coreCommandLine(positional));
    return parsed;
}

}  // namespace vemtora::logger
