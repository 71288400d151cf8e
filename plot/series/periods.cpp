#include "periods.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "decimation.h"
#include "time_axis.h"

namespace vemtora::plot {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

std::int64_t periodStart(std::int64_t clock, Period period, bool dated) {
    switch (period) {
        case Period::Hour: return floorDiv(clock, 36000) * 36000;
        case Period::Day: return floorDiv(clock, kTenthsPerDay) * kTenthsPerDay;
        case Period::Week: break;
    }
    const std::int64_t day = floorDiv(clock, kTenthsPerDay);
    // 1970-01-01 was a Thursday, three days after a Monday.
    const std::int64_t first = dated ? day - (day + 3 - floorDiv(day + 3, 7) * 7) : floorDiv(day, 7) * 7;
    return first * kTenthsPerDay;
}

std::int64_t periodLength(Period period) {
    return period == Period::Hour ? 36000 : period == Period::Day ? kTenthsPerDay : 7 * kTenthsPerDay;
}

}  // namespace

std::vector<PeriodRow> periodRows(const SampleStore& store, std::span<const SampleSpan> runs, Period period,
                                  bool dated) {
    // By start, then by instant: of two hours with one start, the one with the greater offset came first.
    using Key = std::tuple<std::int64_t, std::int32_t, bool>;
    std::map<Key, std::vector<SampleSpan>> spans;
    const auto segments = store.segments();
    const auto times = store.tenths();
    for (const SampleSpan& run : runs) {
        std::size_t at = run.begin;
        while (at < std::min(run.end, store.size())) {
            const ClockSegment& segment = store.segmentOf(at);
            const auto next = std::upper_bound(segments.begin(), segments.end(), at,
                                               [](std::size_t i, const ClockSegment& s) { return i < s.first; });
            const std::size_t end = std::min(run.end, next == segments.end() ? store.size() : next->first);
            const std::int64_t start = periodStart(store.clockOf(at), period, dated);
            const auto within = times.subspan(at, end - at);
            const std::size_t stop =
                at + std::max<std::size_t>(
                         1, firstIndexAtOrAfter(within, start + periodLength(period) - segment.clockMinusTenths));
            const std::optional<std::int32_t> offset = period == Period::Hour ? segment.utcOffsetMinutes : std::nullopt;
            spans[{start, -offset.value_or(0), offset.has_value()}].push_back({at, stop});
            at = stop;
        }
    }
    std::vector<PeriodRow> rows;
    for (const auto& [key, periodSpans] : spans) {
        rows.push_back({std::get<0>(key),
                        std::get<2>(key) ? std::optional<std::int32_t>(-std::get<1>(key)) : std::nullopt,
                        statisticsOf(store, periodSpans)});
    }
    return rows;
}

std::string periodLabel(const PeriodRow& row, Period period, bool dated) {
    const std::int64_t day = floorDiv(row.start, kTenthsPerDay);
    std::string label = dayLabel(day, dated);
    if (period != Period::Hour) return label;
    char hour[8];
    std::snprintf(hour, sizeof hour, " %02d:00", static_cast<int>((row.start - day * kTenthsPerDay) / 36000));
    label += hour;
    if (row.utcOffsetMinutes) label += utcOffsetText(*row.utcOffsetMinutes);
    return label;
}

}  // namespace vemtora::plot
