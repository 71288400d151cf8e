// What the logger says outside the log lines: help, version, and its messages on standard error.
#pragma once

#include <string>
#include <string_view>

#include "shell/logger/standard_error.h"

namespace vemtora::logger {

inline constexpr std::string_view kProgramName = "vemtora-logger";

std::string helpText();
std::string versionText();

// "vemtora-logger: <sentence>\n"
std::string messageLine(std::string_view sentence);
// The message and where to find help.
std::string usageErrorText(std::string_view error);

// Standard error, never waiting for its reader; first called on the loop's thread.
StandardError& standardError();

// Says a sentence on standard error, one line in one write so lines of several programs sharing
// a journal or a terminal do not mix. From any thread; never waits.
void tellUser(std::string_view sentence);

}  // namespace vemtora::logger
