// Minimum, mean and maximum per quantity, the time covered and the energy of a run of samples.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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
    std::uint64_t gaps = 0;             // inside the run
    std::int64_t coveredTenths = 0;     // gaps excluded
    double energyWh = 0.0;
    std::array<QuantityStatistics, 3> quantities;  // by Quantity

    const QuantityStatistics& of(Quantity quantity) const { return quantities[static_cast<std::size_t>(quantity)]; }
};

// Samples [begin, end). Each covers the time to the next sample, or one interval of the log
// before a gap, a clock step or the end: so runs side by side add up, and a gap adds nothing.
Statistics statisticsOf(const SampleStore& store, std::size_t begin, std::size_t end);

// Indices [begin, end) of the samples stamped within [from, to] seconds.
struct SampleSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};
SampleSpan samplesBetween(const SampleStore& store, double from, double to);

// The samples stamped within [from, to] seconds.
Statistics statisticsBetween(const SampleStore& store, double from, double to);

}  // namespace vemtora::plot
