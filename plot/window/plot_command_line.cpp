#include "plot_command_line.h"

namespace vemtora::plot {

PlotCommandLine parsePlotCommandLine(const std::vector<std::string>& arguments) {
    PlotCommandLine result;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            return {PlotCommandLine::Action::Help, {}, {}};
        } else if (!optionsEnded && argument == "--version") {
            return {PlotCommandLine::Action::Version, {}, {}};
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            if (result.error.empty()) result.error = "unrecognized option '" + argument + "'";
        } else {
            files.push_back(argument);
        }
    }
    if (result.error.empty() && files.size() > 1) result.error = "extra operand '" + files[1] + "'";
    if (!result.error.empty()) {
        result.action = PlotCommandLine::Action::UsageError;
        return result;
    }
    if (!files.empty()) result.file = files[0];
    return result;
}

std::string plotHelpText() {
    return "Usage: vemtora-plot [OPTION]... [FILE]\n"
           "Draw a Vemtora log as a graph of volts, amperes and watts against time,\n"
           "and follow it while it grows.\n"
           "\n"
           "  -h, --help     display this help and exit\n"
           "      --version  output version information and exit\n"
           "\n"
           "Qt's own options (for example -platform offscreen) are accepted as well.\n"
           "\n"
           "In the window: mouse wheel or + and - zoom, dragging or the arrow keys pan,\n"
           "Home, 0 or R shows the whole log; File > Export saves the view as PNG or SVG.\n"
           "\n"
           "Exit status: 0 if OK, 1 if FILE cannot be opened, 2 for a wrong command line.\n";
}

std::string plotVersionText(const std::string& version) { return "vemtora-plot (Vemtora) " + version + "\n"; }

}  // namespace vemtora::plot
