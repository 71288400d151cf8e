// A whole log read at once, its time range from --from and --to, and its statistics as text:
// `vemtora-plot --summary`, and the range for `--export`.
#pragma once

#include <optional>
#include <string>

#include "plot/reader/log_reader.h"
#include "plot/series/sample_store.h"

namespace vemtora::plot {

struct LoadedLog {
    SampleStore store;
    LogReader reader{store};
};

// Empty when the file reads as a log; otherwise why not ("No such file or directory", "empty log",
// "not a Vemtora log").
std::string loadLog(const std::string& path, LoadedLog& log);

// The problem with what has been read so far, or empty: shared with the window's status bar.
std::string logProblem(const LogReader& reader);

struct TimeRange {
    std::int64_t from = 0;  // tenths, as the store holds them; both ends included
    std::int64_t to = 0;
};

// `from` and `to` as the command line gave them, empty for the log's own first and last time. A
// time of day without a date is on the log's first day. nullopt with `error` set when unreadable.
std::optional<TimeRange> rangeOf(const SampleStore& store, bool dated, const std::string& from, const std::string& to,
                                 std::string& error);

// "key: value" lines with units.
std::string summaryText(const LoadedLog& log, const TimeRange& range);

}  // namespace vemtora::plot
