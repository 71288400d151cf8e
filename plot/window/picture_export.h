// `vemtora-plot --export OUT.png|OUT.svg`: the charts of the samples the command line names,
// drawn at the size asked on no screen, with the files' names, the range and its statistics.
#pragma once

#include "plot/headless/plot_command_line.h"

namespace vemtora::plot {

// Needs a QApplication, on the offscreen platform will do; returns the exit status.
int runPictureExport(const PlotCommandLine& commandLine);

}  // namespace vemtora::plot
