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

// "0.1", "2", "30": milliseconds as the Interval menu's seconds.
std::string secondsText(std::int32_t milliseconds);

// "300, 600, ... or 38400" and "0.1, 0.2, ... or 30": what --speed and --interval take.
std::string speedChoices();
std::string intervalChoices();

// The positional arguments as the core's command-line text: one argument each, joined as the
// window joins them.
std::wstring coreCommandLine(std::span<const std::string_view> positional);

}  // namespace vemtora::logger
