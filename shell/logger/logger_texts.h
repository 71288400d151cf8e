// What the logger says outside the log lines: help, version, and its messages on standard error.
#pragma once

#include <string>
#include <string_view>

namespace vemtora::logger {

inline constexpr std::string_view kProgramName = "vemtora-logger";

std::string helpText();
std::string versionText();

// "vemtora-logger: <sentence>\n"
std::string messageLine(std::string_view sentence);
// The message and where to find help.
std::string usageErrorText(std::string_view error);

// Writes a message line to standard error in one write, so lines of several programs sharing
// a journal or a terminal do not mix.
void tellUser(std::string_view sentence);

}  // namespace vemtora::logger
