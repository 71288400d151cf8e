#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "decimation.h"

namespace vemtora::plot {

double Statistics::averageWatts() const {
    if (coveredTenths <= 0) return std::numeric_limits<double>::quiet_NaN();
    return energyWh * 36000.0 / static_cast<double>(coveredTenths);
}

namespace {

// One by one up to a block's start, whole blocks, then the rest one by one.
void addRun(const SampleStore& store, std::size_t begin, std::size_t end, SampleTotals& totals) {
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
}

// Entries strictly between samples begin and end - 1: those lying between two samples of the run.
std::uint64_t countInside(std::span<const std::size_t> indices, std::size_t begin, std::size_t end) {
    const auto low = std::upper_bound(indices.begin(), indices.end(), begin);
    const auto high = std::lower_bound(low, indices.end(), end);
    return static_cast<std::uint64_t>(high - low);
}

}  // namespace

Statistics statisticsOf(const SampleStore& store, std::span<const SampleSpan> runs) {
    Statistics out;
    SampleTotals totals;
    std::array<MinMax, 3> extremes;
    std::size_t first = store.size(), last = 0;
    for (SampleSpan run : runs) {
        run.end = std::min(run.end, store.size());
        if (run.begin >= run.end) continue;
        first = std::min(first, run.begin);
        last = std::max(last, run.end);
        out.samples += run.end - run.begin;
        addRun(store, run.begin, run.end, totals);
        for (Quantity quantity : kQuantities) {
            extremes[static_cast<std::size_t>(quantity)].add(
                store.pyramid(quantity).range(store.values(quantity), run.begin, run.end));
        }
    }
    if (out.samples == 0) return out;
    out.gaps = countInside(store.gapStarts(), first, last);
    out.clockSteps = countInside(store.clockSteps(), first, last);
    out.skippedLines = countInside(store.skippedLines(), first, last);
    out.coveredTenths = totals.coveredTenths;
    out.energyWh = totals.wattTenths / 36000.0;
    for (Quantity quantity : kQuantities) {
        const auto q = static_cast<std::size_t>(quantity);
        QuantityStatistics& s = out.quantities[q];
        s.count = totals.counts[q];
        if (s.count == 0) continue;
        s.min = extremes[q].min;
        s.max = extremes[q].max;
        s.mean = totals.sums[q] / static_cast<double>(s.count);
    }
    return out;
}

Statistics statisticsOf(const SampleStore& store, std::size_t begin, std::size_t end) {
    const SampleSpan run{begin, end};
    return statisticsOf(store, std::span(&run, 1));
}

SampleSpan samplesBetween(const SampleStore& store, double from, double to) {
    const auto times = store.tenths();
    const std::size_t begin = firstIndexAtOrAfter(times, tenthsAtOrAfter(from));
    return {begin, std::max(begin, firstIndexAtOrAfter(times, tenthsAtOrAfter(to)))};
}

SampleSpan samplesInView(const SampleStore& store, double from, double to) {
    const auto times = store.tenths();
    const std::size_t begin = firstIndexAtOrAfter(times, tenthsAtOrAfter(from));
    return {begin, std::max(begin, firstIndexAtOrAfter(times, tenthsAfter(to)))};
}

}  // namespace vemtora::plot
