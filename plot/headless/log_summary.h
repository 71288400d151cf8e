// What `vemtora-plot --summary` prints of the samples a range names: "key: value" lines, or with
// --by a row per hour, day or week; --csv makes either comma-separated with a header.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "log_files.h"
#include "plot/series/periods.h"
#include "plot/series/statistics.h"

namespace vemtora::plot {

struct SummaryRequest {
    bool wholeLog = true;  // no --from, no --to: the whole files' skipped lines and clock steps
    std::optional<Period> by;
    std::optional<double> price;  // per kWh
    bool csv = false;
};

// `runs`: ascending, not empty.
std::string summaryText(const LoadedLog& log, std::span<const SampleSpan> runs, const SummaryRequest& request);

}  // namespace vemtora::plot
