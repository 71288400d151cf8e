// What vemtora-plot does with no display at all: --summary and --export to CSV, each printing its
// result or a message that names what failed, and giving the exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "log_files.h"
#include "plot/series/statistics.h"
#include "plot_command_line.h"

namespace vemtora::plot {

int runSummary(const PlotCommandLine& commandLine);
int runCsvExport(const PlotCommandLine& commandLine);

// Reads the command line's files, then finds the samples its --from and --to name: nullopt, with
// `error` naming the files and why, when they do not read as a log or none lie in the range.
std::optional<std::vector<SampleSpan>> loadNamedSamples(const PlotCommandLine& commandLine, LoadedLog& log,
                                                        std::string& error);

// "vemtora-plot: <what>\n" on standard error; returns the exit status for a failure, 1.
int reportFailure(const std::string& what);

inline constexpr char kPlotProgram[] = "vemtora-plot";

}  // namespace vemtora::plot
