#include "clock_range.h"

#include <algorithm>

#include "decimation.h"

namespace vemtora::plot {

namespace {

std::int64_t floorDay(std::int64_t tenths) { return tenths / kTenthsPerDay - (tenths % kTenthsPerDay < 0 ? 1 : 0); }

// The place on the timeline, within a segment, from which its stamps are at or after `bound`.
std::int64_t placeOf(const ClockBound& bound, const ClockSegment& segment) {
    std::int64_t clock = bound.tenths;
    if (bound.utcOffsetMinutes && segment.utcOffsetMinutes)
        clock += std::int64_t{*segment.utcOffsetMinutes - *bound.utcOffsetMinutes} * 600;
    return clock - segment.clockMinusTenths;
}

}  // namespace

std::optional<ClockBound> resolveTimeOfLog(const TimeOfLog& time, std::string_view text, const SampleStore& store,
                                           bool dated, std::string& error) {
    const std::int64_t firstDay = floorDay(store.clockOf(0));
    switch (time.day) {
        case TimeOfLog::Day::First: return ClockBound{firstDay * kTenthsPerDay + time.tenthsOfDay, std::nullopt};
        case TimeOfLog::Day::Numbered:
            return ClockBound{(firstDay + time.dayNumber - 1) * kTenthsPerDay + time.tenthsOfDay, std::nullopt};
        case TimeOfLog::Day::Dated: break;
    }
    if (!dated) {
        error =
            "'" + std::string(text) + "' names a date, but the log's stamps carry none: name its days as 'day 2 09:00'";
        return std::nullopt;
    }
    return ClockBound{time.dayNumber * kTenthsPerDay + time.tenthsOfDay, time.utcOffsetMinutes};
}

std::vector<SampleSpan> samplesStamped(const SampleStore& store, const std::optional<ClockBound>& from,
                                       const std::optional<ClockBound>& to) {
    std::vector<SampleSpan> runs;
    const auto segments = store.segments();
    const auto times = store.tenths();
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const std::size_t first = segments[k].first;
        const std::size_t end = k + 1 < segments.size() ? segments[k + 1].first : store.size();
        // Within a segment the stamps ascend with the timeline.
        const auto within = times.subspan(first, end - first);
        const std::size_t begin = first + (from ? firstIndexAtOrAfter(within, placeOf(*from, segments[k])) : 0);
        const std::size_t stop =
            std::max(begin, first + (to ? firstIndexAtOrAfter(within, placeOf(*to, segments[k])) : within.size()));
        if (begin == stop) continue;
        if (!runs.empty() && runs.back().end == begin) {
            runs.back().end = stop;
        } else {
            runs.push_back({begin, stop});
        }
    }
    return runs;
}

}  // namespace vemtora::plot
