// vemtora-plot's command line, read whole before Qt starts: every mistake is answered without a display.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "plot/reader/time_of_log.h"
#include "plot/series/periods.h"

namespace vemtora::plot {

// A value axis fixed for a picture: --watts 0:200.
struct ValueRange {
    double low = 0.0;
    double high = 1.0;
};

struct PlotCommandLine {
    enum class Action { Run, Help, Version, UsageError, Summary, Export };
    enum class Picture { Png, Svg, Csv };
    Action action = Action::Run;
    std::vector<std::string> files;  // read as one log in this order; none: start with no log open
    std::string error;               // for UsageError
    std::string exportPath;          // for Export, of the kind its ending names
    Picture picture = Picture::Png;
    std::string from, to;  // as given; empty: the log's own ends
    std::optional<TimeOfLog> fromTime, toTime;
    std::optional<Period> by;
    std::optional<double> price;  // per kWh
    bool csv = false;
    int width = 1200;  // of an exported picture, in pixels
    int height = 800;
    std::array<std::optional<ValueRange>, 3> valueRanges;  // by Quantity
    std::vector<std::string> qtArguments;                  // Qt's own options as given, for QApplication
};

// arguments: without the program name.
PlotCommandLine parsePlotCommandLine(const std::vector<std::string>& arguments);

std::string plotHelpText();
std::string plotVersionText(const std::string& version);

}  // namespace vemtora::plot
