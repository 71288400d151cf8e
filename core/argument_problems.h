// What is wrong with the port index and scale factors of a command line, in sentences: the window
// says what it did not take, the logger refuses what it would not take.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command_line_reading.h"

namespace vemtora {

struct ArgumentProblem {
    ArgumentFault fault;
    std::string text;      // the argument as typed
    std::string sentence;  // "'-1' is not a scale factor: use a number above 0 ..."; no program name
};

// The window's rule: what parseCommandLine left at its defaults, each with what is used instead.
// text: the command line as UTF-8, as parseCommandLine reads it.
std::vector<std::string> untakenArgumentNotes(std::string_view text);

// The strict rule for programs that run unattended: at most a port index and two scale factors,
// both scales or none, each argument read whole; a port index of 0 to 15; scales finite and
// above 0. The first problem, or nullopt when there is none.
std::optional<ArgumentProblem> strictArgumentProblem(std::span<const std::string_view> arguments);

}  // namespace vemtora
