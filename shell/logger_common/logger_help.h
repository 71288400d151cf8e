// The parts of the loggers' --help that both platforms share.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "shell/logger_common/option_table.h"

namespace vemtora::logger {

// The usage line, what the program does, and the rows of the positional arguments.
std::string helpHead(std::string_view program);

// A row for each option; --speed and --interval with their choices and defaults.
void addOptionRows(std::string& text, std::span<const OptionEntry> options);

// "Exit status:" and its rows; runtimeFailure: what ends a run with status 1 on this platform.
void addExitStatusRows(std::string& text, std::string_view runtimeFailure);

}  // namespace vemtora::logger
