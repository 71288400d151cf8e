// The samples a range names by the log's own clock, as --from and --to give it: every sample
// whose stamp, as written, lies in [from, to).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plot/reader/time_of_log.h"
#include "sample_store.h"
#include "statistics.h"

namespace vemtora::plot {

struct ClockBound {
    std::int64_t tenths = 0;  // on the log's own clock, as its stamps are written
    // With an offset the bound is an instant, so compared with stamps that carry one; with those
    // that carry none it is compared by its clock.
    std::optional<std::int32_t> utcOffsetMinutes;
};

// A time of day alone is on the log's first day, "day N" its Nth; a date needs a dated log. nullopt
// with `error` naming `text` when it cannot name a time of this log. `store` must not be empty.
std::optional<ClockBound> resolveTimeOfLog(const TimeOfLog& time, std::string_view text, const SampleStore& store,
                                           bool dated, std::string& error);

// Ascending runs of the samples stamped within [from, to); no bound leaves that end open. Where a
// clock was set back, a time that occurs twice takes in both passes.
std::vector<SampleSpan> samplesStamped(const SampleStore& store, const std::optional<ClockBound>& from,
                                       const std::optional<ClockBound>& to);

}  // namespace vemtora::plot
