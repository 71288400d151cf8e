// vemtora-plot's command line: [OPTION]... [FILE], in the Debian way.
#pragma once

#include <string>
#include <vector>

namespace vemtora::plot {

struct PlotCommandLine {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    std::string file;   // empty: start with no log open
    std::string error;  // for UsageError
};

// arguments: without the program name, after Qt has taken its own options out.
PlotCommandLine parsePlotCommandLine(const std::vector<std::string>& arguments);

std::string plotHelpText();
std::string plotVersionText(const std::string& version);

}  // namespace vemtora::plot
