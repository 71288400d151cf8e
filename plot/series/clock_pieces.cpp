#include "clock_pieces.h"

#include <algorithm>
#include <cmath>

namespace vemtora::plot {

namespace {

// The first segment beginning after `tenths` on the timeline.
std::size_t segmentAfter(const SampleStore& store, double tenths) {
    const auto segments = store.segments();
    const auto times = store.tenths();
    const auto after = std::upper_bound(
        segments.begin(), segments.end(), tenths,
        [&times](double t, const ClockSegment& segment) { return t < static_cast<double>(times[segment.first]); });
    return static_cast<std::size_t>(after - segments.begin());
}

double startOf(const SampleStore& store, const ClockSegment& segment) {
    return static_cast<double>(store.tenths()[segment.first]) / 10.0;
}

}  // namespace

std::vector<ClockPiece> clockPieces(const SampleStore& store, double from, double to) {
    std::vector<ClockPiece> pieces;
    const auto segments = store.segments();
    if (segments.empty()) return pieces;
    std::size_t k = segmentAfter(store, from * 10);
    if (k > 0) --k;
    for (; k < segments.size() && (pieces.empty() || startOf(store, segments[k]) <= to); ++k) {
        pieces.push_back({pieces.empty() ? from : startOf(store, segments[k]), segments[k].clockMinusTenths,
                          segments[k].utcOffsetMinutes});
    }
    return pieces;
}

std::vector<ClockMark> clockMarks(const SampleStore& store, double from, double to) {
    std::vector<ClockMark> marks;
    const auto segments = store.segments();
    const auto times = store.tenths();
    for (std::size_t k = std::max<std::size_t>(1, segmentAfter(store, from * 10)); k < segments.size(); ++k) {
        const double seconds = static_cast<double>(times[segments[k].first - 1] + times[segments[k].first]) / 20.0;
        if (seconds > to) break;
        if (seconds < from) continue;
        const ClockSegment& before = segments[k - 1];
        const ClockSegment& after = segments[k];
        marks.push_back({seconds, after.utcOffsetMinutes && after.utcOffsetMinutes != before.utcOffsetMinutes
                                      ? "UTC" + utcOffsetText(*after.utcOffsetMinutes)
                                      : clockStepText(after.clockMinusTenths - before.clockMinusTenths)});
    }
    return marks;
}

ClockReading clockAt(const SampleStore& store, std::int64_t tenths) {
    const auto segments = store.segments();
    if (segments.empty()) return {tenths, std::nullopt};
    std::size_t k = segmentAfter(store, static_cast<double>(tenths));
    const ClockSegment& segment = segments[k > 0 ? k - 1 : 0];
    return {tenths + segment.clockMinusTenths, segment.utcOffsetMinutes};
}

}  // namespace vemtora::plot
