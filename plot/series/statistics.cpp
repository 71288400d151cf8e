#include "statistics.h"

#include <algorithm>
#include <cmath>

#include "decimation.h"

namespace vemtora::plot {

Statistics statisticsOf(const SampleStore& store, std::size_t begin, std::size_t end) {
    Statistics out;
    end = std::min(end, store.size());
    if (begin >= end) return out;
    // One by one up to a block's start, whole blocks, then the rest one by one.
    SampleTotals totals;
    constexpr std::size_t kBlock = SampleStore::kBlock;
    const auto blocks = store.blocks();
    const std::size_t firstBlock = (begin + kBlock - 1) / kBlock;
    const std::size_t endBlock = std::min(end / kBlock, blocks.size());
    std::size_t i = begin;
    if (firstBlock < endBlock) {
        for (; i < firstBlock * kBlock; ++i) store.addTo(totals, i);
        for (std::size_t k = firstBlock; k < endBlock; ++k) totals.add(blocks[k]);
        i = endBlock * kBlock;
    }
    for (; i < end; ++i) store.addTo(totals, i);

    const auto gaps = store.gapStarts();
    out.samples = end - begin;
    out.gaps = static_cast<std::uint64_t>(std::lower_bound(gaps.begin(), gaps.end(), end) -
                                          std::upper_bound(gaps.begin(), gaps.end(), begin));
    const std::int64_t interval = store.interval();
    out.coveredTenths = totals.spacedTenths + static_cast<std::int64_t>(totals.intervalSamples) * interval;
    out.energyWh = (totals.spacedWattTenths + totals.intervalWatts * static_cast<double>(interval)) / 36000.0;
    for (Quantity quantity : kQuantities) {
        const auto q = static_cast<std::size_t>(quantity);
        QuantityStatistics& s = out.quantities[q];
        s.count = totals.counts[q];
        if (s.count == 0) continue;
        const MinMax extremes = store.pyramid(quantity).range(store.values(quantity), begin, end);
        s.min = extremes.min;
        s.max = extremes.max;
        s.mean = totals.sums[q] / static_cast<double>(s.count);
    }
    return out;
}

SampleSpan samplesBetween(const SampleStore& store, double from, double to) {
    const auto times = store.tenths();
    return {firstIndexAtOrAfter(times, tenthsAtOrAfter(from)), firstIndexAtOrAfter(times, tenthsAfter(to))};
}

Statistics statisticsBetween(const SampleStore& store, double from, double to) {
    const SampleSpan span = samplesBetween(store, from, to);
    return statisticsOf(store, span.begin, span.end);
}

}  // namespace vemtora::plot
