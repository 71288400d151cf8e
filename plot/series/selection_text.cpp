#include "selection_text.h"

#include <cmath>

#include "decimation.h"
#include "statistics.h"
#include "statistics_text.h"
#include "time_axis.h"

namespace vemtora::plot {

namespace {

std::int64_t tenthsOf(double seconds) { return static_cast<std::int64_t>(std::llround(seconds * 10.0)); }

std::string sampleText(const SampleStore& store, double seconds, bool dated) {
    const std::size_t i = nearestIndex(store.tenths(), seconds);
    if (i >= store.size()) return {};
    std::string text = stampLabel(store.tenths()[i], dated) + ":";
    for (Quantity quantity : kQuantities) {
        text += " " + fixedText(store.values(quantity)[i], decimalsOf(quantity)) + " " + unitOf(quantity);
    }
    return text;
}

}  // namespace

std::string selectionEdgesLine(const SampleStore& store, double from, double to, bool dated) {
    if (!std::isfinite(from) || !std::isfinite(to) || to < from || std::abs(to) > 1e13 || std::abs(from) > 1e13) return {};
    std::string line = "Selected " + stampLabel(tenthsOf(from), dated) + " \u2013 " + stampLabel(tenthsOf(to), dated) +
                       ", \u0394t " + durationText(tenthsOf(to) - tenthsOf(from));
    if (store.empty()) return line;
    return line + "  \u00b7  " + sampleText(store, from, dated) + "  \u00b7  " + sampleText(store, to, dated);
}

std::string selectionStatisticsLine(const SampleStore& store, double from, double to) {
    return statisticsLine(statisticsBetween(store, from, to), "Selected");
}

}  // namespace vemtora::plot
