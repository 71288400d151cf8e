// Sums over a run of samples from which its statistics follow; kept per block of samples so the
// statistics of a week in view take a few thousand steps, not millions.
#pragma once

#include <array>
#include <cstdint>

namespace vemtora::plot {

struct SampleTotals {
    std::array<double, 3> sums{};           // of the finite values, by Quantity
    std::array<std::uint64_t, 3> counts{};  // finite values
    // Samples covering the time up to the next one; the others (before a gap, a clock step or the
    // end) cover one interval of the log, which is only known when asked.
    std::int64_t spacedTenths = 0;
    double spacedWattTenths = 0.0;
    std::uint64_t intervalSamples = 0;
    double intervalWatts = 0.0;

    void add(const SampleTotals& other) {
        for (std::size_t q = 0; q < sums.size(); ++q) {
            sums[q] += other.sums[q];
            counts[q] += other.counts[q];
        }
        spacedTenths += other.spacedTenths;
        spacedWattTenths += other.spacedWattTenths;
        intervalSamples += other.intervalSamples;
        intervalWatts += other.intervalWatts;
    }
};

}  // namespace vemtora::plot
