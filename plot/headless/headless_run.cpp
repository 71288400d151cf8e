#include "headless_run.h"

#include <cstdio>

#include "log_summary.h"
#include "plot/series/clock_range.h"
#include "sample_lines.h"

namespace vemtora::plot {

namespace {

std::string fileNames(const PlotCommandLine& commandLine) {
    std::string names;
    for (const std::string& file : commandLine.files) names += (names.empty() ? "" : ", ") + file;
    return names;
}

std::string rangeText(const PlotCommandLine& commandLine) {
    std::string text;
    if (!commandLine.from.empty()) text += " from " + commandLine.from;
    if (!commandLine.to.empty()) text += " to " + commandLine.to;
    return text;
}

}  // namespace

int reportFailure(const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", kPlotProgram, what.c_str());
    return 1;
}

std::optional<std::vector<SampleSpan>> loadNamedSamples(const PlotCommandLine& commandLine, LoadedLog& log,
                                                        std::string& error) {
    error = loadLogs(commandLine.files, log);
    if (!error.empty()) return std::nullopt;
    std::optional<ClockBound> from, to;
    const bool dated = log.reader.dated();
    if (commandLine.fromTime) from = resolveTimeOfLog(*commandLine.fromTime, commandLine.from, log.store, dated, error);
    if (error.empty() && commandLine.toTime)
        to = resolveTimeOfLog(*commandLine.toTime, commandLine.to, log.store, dated, error);
    if (!error.empty()) {
        error = fileNames(commandLine) + ": " + error;
        return std::nullopt;
    }
    std::vector<SampleSpan> runs = samplesStamped(log.store, from, to);
    if (runs.empty()) {
        error = fileNames(commandLine) + ": no samples" + rangeText(commandLine);
        return std::nullopt;
    }
    return runs;
}

int runSummary(const PlotCommandLine& commandLine) {
    LoadedLog log;
    std::string error;
    const auto runs = loadNamedSamples(commandLine, log, error);
    if (!runs) return reportFailure(error);
    const SummaryRequest request{commandLine.from.empty() && commandLine.to.empty(), commandLine.by, commandLine.price,
                                 commandLine.csv};
    std::fputs(summaryText(log, *runs, request).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int runCsvExport(const PlotCommandLine& commandLine) {
    LoadedLog log;
    std::string error;
    const auto runs = loadNamedSamples(commandLine, log, error);
    if (!runs) return reportFailure(error);
    error = writeSampleLines(log.sources, *runs, commandLine.exportPath, LineFormat::Csv);
    return error.empty() ? 0 : reportFailure(error);
}

}  // namespace vemtora::plot
