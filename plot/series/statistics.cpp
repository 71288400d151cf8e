#include "statistics.h"

#include <algorithm>
#include <cmath>

#include "decimation.h"

namespace vemtora::plot {

Statistics statisticsOf(const SampleStore& store, std::size_t begin, std::size_t end) {
    Statistics out;
    end = std::min(end, store.size());
    if (begin >= end) return out;
    const auto times = store.tenths();
    const auto gaps = store.gapStarts();
    auto gap = std::lower_bound(gaps.begin(), gaps.end(), begin + 1);
    std::array<double, 3> sums{};
    std::array<MinMax, 3> extremes;
    for (std::size_t i = begin; i < end; ++i) {
        const std::size_t next = i + 1;
        while (gap != gaps.end() && *gap < next) ++gap;
        const bool gapAfter = gap != gaps.end() && *gap == next;
        if (gapAfter && next < end) ++out.gaps;
        std::int64_t covered = store.interval();
        if (next < times.size() && !gapAfter && times[next] > times[i]) covered = times[next] - times[i];
        out.coveredTenths += covered;
        for (Quantity quantity : kQuantities) {
            const auto q = static_cast<std::size_t>(quantity);
            const float value = store.values(quantity)[i];
            if (!std::isfinite(value)) continue;
            extremes[q].add(value);
            sums[q] += value;
            ++out.quantities[q].count;
            if (quantity == Quantity::Watts) out.energyWh += static_cast<double>(value) * static_cast<double>(covered) / 36000.0;
        }
    }
    out.samples = end - begin;
    for (std::size_t q = 0; q < sums.size(); ++q) {
        QuantityStatistics& s = out.quantities[q];
        if (s.count == 0) continue;
        s.min = extremes[q].min;
        s.max = extremes[q].max;
        s.mean = sums[q] / static_cast<double>(s.count);
    }
    return out;
}

Statistics statisticsBetween(const SampleStore& store, double from, double to) {
    const auto times = store.tenths();
    return statisticsOf(store, firstIndexAtOrAfter(times, tenthsAtOrAfter(from)), firstIndexAtOrAfter(times, tenthsAfter(to)));
}

}  // namespace vemtora::plot
