// The pieces of --help texts that programs on the core share: rows wrapped under a help column,
// and the window's positional arguments.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vemtora {

// Options that more than one program takes, said the same way in each.
inline constexpr std::string_view kDeviceOptionHelp =
    "read PATH (/dev/ttyUSB0, /dev/serial/by-id/...) instead of a COM port";
inline constexpr std::string_view kDeviceFolderOptionHelp = "look the COM names up in DIR instead of /dev";
inline constexpr std::string_view kHelpOptionHelp = "show this help and exit";
inline constexpr std::string_view kVersionOptionHelp = "show the version and exit";

// Why `option value` names no device: an empty value, or one that is no UTF-8 file name.
std::string devicePathError(std::string_view option, std::string_view value);

// "program: sentence\n", as every program says what it has to say on standard error.
std::string messageLine(std::string_view program, std::string_view sentence);
// The message and where to find help.
std::string usageErrorText(std::string_view program, std::string_view error);

// "  left      help, wrapped at blanks to 79 columns\n"; the help starts on a line of its own
// below a left side too long for its column.
void addHelpRow(std::string& text, std::string_view left, std::string_view help);

// The rows for port-index and the two scale factors, with the defaults.
void addPositionalHelpRows(std::string& text);

// "COM5" for index 4.
std::string portNameText(std::uint32_t index);

// The shortest text that reads back as the same double: 0.646, not 0.64600000000000002.
std::string shortestText(double value);

}  // namespace vemtora
