// The values of the options every logger takes, read without the locale: "0.5" is half a
// second everywhere. Shared by the loggers of both platforms.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vemtora::logger {

// One of the Speed menu's values, in plain decimal digits.
std::optional<std::int32_t> parseSpeed(std::string_view text);

// One of the Interval menu's values in decimal seconds, exactly: "0.5", ".5", "0.50" and
// "1.000" all read; anything finer than a millisecond, signs, exponents and commas do not.
std::optional<std::int32_t> parseInterval(std::string_view text);

// The longest --duration: a hundred years of days, far inside the clocks' ranges.
inline constexpr std::int64_t kMaxDurationMs = 36500LL * 24 * 60 * 60 * 1000;

// "90s", "15m", "8h", "7d": whole seconds, minutes, hours or days above 0, in milliseconds.
std::optional<std::int64_t> parseDuration(std::string_view text);
// What a refused --duration is told to use instead.
inline constexpr std::string_view kDurationForms = "use a whole number above 0 with s, m, h or d: 90s, 15m, 8h, 7d";

// What standard output carries: the log's lines, or each reading as a JSON object.
enum class OutputFormat { Text, Json };

// "text" or "json".
std::optional<OutputFormat> parseFormat(std::string_view text);

// "0.1", "2", "30": milliseconds as the Interval menu's seconds.
std::string secondsText(std::int32_t milliseconds);

// "300, 600, ... or 38400" and "0.1, 0.2, ... or 30": what --speed and --interval take.
std::string speedChoices();
std::string intervalChoices();

// The positional arguments as the core's command-line text: one argument each, joined as the
// window joins them.
std::wstring coreCommandLine(std::span<const std::string_view> positional);

}  // namespace vemtora::logger
