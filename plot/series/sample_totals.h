// Sums over a run of samples from which its statistics follow; kept per block of samples so the
// statistics of a week in view take a few thousand steps, not millions.
#pragma once

#include <array>
#include <cstdint>

namespace vemtora::plot {

struct SampleTotals {
    std::array<double, 3> sums{};           // of the finite values, by Quantity
    std::array<std::uint64_t, 3> counts{};  // finite values
    std::int64_t coveredTenths = 0;         // each sample's coverage, summed
    double wattTenths = 0.0;                // watts times each sample's coverage, summed

    void add(const SampleTotals& other) {
        for (std::size_t q = 0; q < sums.size(); ++q) {
            sums[q] += other.sums[q];
            counts[q] += other.counts[q];
        }
        coveredTenths += other.coveredTenths;
        wattTenths += other.wattTenths;
    }
};

}  // namespace vemtora::plot
