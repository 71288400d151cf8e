// One or more files read as one log, in the order given: `vemtora-plot today.log.1 today.log`.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "plot/reader/log_reader.h"
#include "plot/series/sample_store.h"

namespace vemtora::plot {

// A file of the log and where its samples begin in the store.
struct LogSource {
    std::string path;
    std::size_t firstSample = 0;
    int descriptor = -1;  // when not -1, read instead of `path` (a rotated file under another name now)
};

struct LoadedLog {
    SampleStore store;
    LogReader reader{store};
    std::vector<LogSource> sources;
};

// Empty when the files read as a log; otherwise which file and why not ("today.log: No such file
// or directory", "today.log: not a Vemtora log").
std::string loadLogs(std::span<const std::string> paths, LoadedLog& log);

// The problem with what has been read so far, or empty: shared with the window's status bar.
std::string logProblem(const LogReader& reader);

}  // namespace vemtora::plot
