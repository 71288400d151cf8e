#include "selection_text.h"

#include <cmath>

#include "clock_pieces.h"
#include "decimation.h"
#include "statistics.h"
#include "statistics_text.h"
#include "time_axis.h"

namespace vemtora::plot {

namespace {

std::int64_t tenthsOf(double seconds) { return static_cast<std::int64_t>(std::llround(seconds * 10.0)); }

std::string edgeText(const SampleStore& store, double seconds, bool dated) {
    const ClockReading clock = clockAt(store, tenthsOf(seconds));
    return stampLabel(clock.tenths, dated, clock.utcOffsetMinutes);
}

}  // namespace

std::string sampleText(const SampleStore& store, std::size_t i, bool dated) {
    if (i >= store.size()) return {};
    std::string text = stampLabel(store.clockOf(i), dated, store.segmentOf(i).utcOffsetMinutes) + ":";
    for (Quantity quantity : kQuantities) {
        text += " " + fixedText(store.values(quantity)[i], decimalsOf(quantity)) + " " + unitOf(quantity);
    }
    return text;
}

std::string selectionEdgesLine(const SampleStore& store, double from, double to, bool dated) {
    if (!std::isfinite(from) || !std::isfinite(to) || to < from || std::abs(to) > 1e13 || std::abs(from) > 1e13)
        return {};
    std::string line = "Selected " + edgeText(store, from, dated) + " \u2013 " + edgeText(store, to, dated) +
                       ", \u0394t " + durationText(tenthsOf(to) - tenthsOf(from));
    if (store.empty()) return line;
    return line + "  \u00b7  " + sampleText(store, nearestIndex(store.tenths(), from), dated) + "  \u00b7  " +
           sampleText(store, nearestIndex(store.tenths(), to), dated);
}

std::string selectionStatisticsLine(const SampleStore& store, double from, double to) {
    const SampleSpan span = samplesBetween(store, from, to);
    return statisticsLine(statisticsOf(store, span.begin, span.end), "Selected");
}

}  // namespace vemtora::plot
