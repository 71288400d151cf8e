// Statistics per hour, day or week of the log's own clock: what --by prints.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sample_store.h"
#include "statistics.h"

namespace vemtora::plot {

enum class Period { Hour, Day, Week };

struct PeriodRow {
    std::int64_t start = 0;  // on the log's own clock
    // Hours of stamps with an offset: the hour repeated at the end of summer time stays apart. A
    // plain log's repeated hour is one row: its clock cannot tell the two apart.
    std::optional<std::int32_t> utcOffsetMinutes;
    Statistics statistics;
};

// Rows of the periods holding samples of `runs`, in order. Weeks begin on Monday in a dated log,
// and on days 1, 8, 15 … of a plain one.
std::vector<PeriodRow> periodRows(const SampleStore& store, std::span<const SampleSpan> runs, Period period,
                                  bool dated);

// "2026-12-08 09:00", "day 1 09:00", "2026-10-25 02:00+01:00", "2026-12-08", "day 8".
std::string periodLabel(const PeriodRow& row, Period period, bool dated);

}  // namespace vemtora::plot
