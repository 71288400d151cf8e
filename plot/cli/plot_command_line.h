// vemtora-plot's command line: [OPTION]... [FILE], in the Debian way.
#pragma once

#include <string>
#include <vector>

namespace vemtora::plot {

struct PlotCommandLine {
    enum class Action { Run, Help, Version, UsageError, Summary, Export };
    Action action = Action::Run;
    std::string file;        // empty: start with no log open
    std::string error;       // for UsageError
    std::string exportPath;  // for Export: PNG or SVG by its ending
    std::string from, to;    // as given; empty: the log's first or last time
    int width = 1200;        // of the exported picture, in pixels
    int height = 800;
};

// arguments: without the program name, after Qt has taken its own options out.
PlotCommandLine parsePlotCommandLine(const std::vector<std::string>& arguments);

std::string plotHelpText();
std::string plotVersionText(const std::string& version);

}  // namespace vemtora::plot
