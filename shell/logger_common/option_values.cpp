// Option values read exactly, and the lists --help and the refusals name.
#include "shell/logger_common/option_values.h"

#include <algorithm>
#include <charconv>

#include "core/acquisition_settings.h"

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

}  // namespace

std::optional<std::int32_t> parseSpeed(std::string_view text) {
    std::int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || !isDigit(text[0]) || result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    if (std::find(kBaudRates.begin(), kBaudRates.end(), value) == kBaudRates.end()) return std::nullopt;
    return value;
}

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

std::optional<std::int64_t> parseDuration(std::string_view text) {
    if (text.size() < 2 || text.size() > 13) return std::nullopt;
    std::int64_t unitMs = 0;
    switch (text.back()) {
        case 's': unitMs = 1000; break;
        case 'm': unitMs = 60 * 1000; break;
        case 'h': unitMs = 60 * 60 * 1000; break;
        case 'd': unitMs = 24 * 60 * 60 * 1000; break;
        default: return std::nullopt;
    }
    const std::string_view digits = text.substr(0, text.size() - 1);
    if (!std::all_of(digits.begin(), digits.end(), isDigit)) return std::nullopt;
    std::int64_t count = 0;
    for (const char c : digits) count = count * 10 + (c - '0');  // twelve digits at most: no overflow
    if (count == 0 || count > kMaxDurationMs / unitMs) return std::nullopt;
    return count * unitMs;
}

std::optional<OutputFormat> parseFormat(std::string_view text) {
    if (text == "text") return OutputFormat::Text;
    if (text == "json") return OutputFormat::Json;
    return std::nullopt;
}

std::wstring coreCommandLine(std::span<const std::string_view> positional) {
    std::vector<std::wstring> wide;
    for (const std::string_view argument : positional) {
        std::wstring& text = wide.emplace_back();
        // Only ASCII matters to the parser; other bytes only need to stay non-ASCII.
        for (const char byte : argument) text += static_cast<wchar_t>(static_cast<unsigned char>(byte));
    }
    return commandLineText(wide);
}

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

}  // namespace vemtora::logger
