// Minimum, mean and maximum per quantity, the time covered, the energy and the average power of
// a run of samples.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "sample_store.h"

namespace vemtora::plot {

struct QuantityStatistics {
    double min = 0.0;
    double mean = 0.0;
    double max = 0.0;
    std::uint64_t count = 0;  // finite values; min, mean and max mean nothing without any
};

struct Statistics {
    std::uint64_t samples = 0;
    // Between the first sample and the last.
    std::uint64_t gaps = 0;
    std::uint64_t clockSteps = 0;
    std::uint64_t skippedLines = 0;
    std::int64_t coveredTenths = 0;  // gaps excluded
    double energyWh = 0.0;
    std::array<QuantityStatistics, 3> quantities;  // by Quantity

    const QuantityStatistics& of(Quantity quantity) const { return quantities[static_cast<std::size_t>(quantity)]; }
    // Energy over the time covered, which an interval's change or a gap does not bias as the mean
    // of the watts does; NaN with no time covered.
    double averageWatts() const;
};

// Indices [begin, end) of samples.
struct SampleSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Each sample as SampleStore::coverage has it.
Statistics statisticsOf(const SampleStore& store, std::size_t begin, std::size_t end);
// Runs in ascending order, apart from each other: a range that a clock set back cuts in two.
Statistics statisticsOf(const SampleStore& store, std::span<const SampleSpan> runs);

// The samples placed within [from, to) seconds of the timeline: a selection.
SampleSpan samplesBetween(const SampleStore& store, double from, double to);
// Within [from, to]: what a view shows, the samples at both of its edges included.
SampleSpan samplesInView(const SampleStore& store, double from, double to);

}  // namespace vemtora::plot
