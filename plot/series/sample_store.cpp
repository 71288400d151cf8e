#include "sample_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vemtora::plot {

float toFloat(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (value > kLargest) return std::numeric_limits<float>::infinity();
    if (value < -kLargest) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

void SampleStore::append(const LogSample& sample) {
    if (!tenths_.empty()) {
        const std::int64_t spacing = sample.tenths - tenths_.back();
        if (isGap(spacing, interval_.interval())) gapStarts_.push_back(tenths_.size());
        interval_.add(spacing);
    }
    tenths_.push_back(sample.tenths);
    const double values[] = {sample.volts, sample.amperes, sample.watts};
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        channels_[i].values.push_back(toFloat(values[i]));
        channels_[i].pyramid.grow(channels_[i].values);
    }
    if (tenths_.size() > (blocks_.size() + 1) * kBlock) {
        SampleTotals totals;
        for (std::size_t i = blocks_.size() * kBlock; i < (blocks_.size() + 1) * kBlock; ++i) addTo(totals, i);
        blocks_.push_back(totals);
    }
}

void SampleStore::addTo(SampleTotals& totals, std::size_t i) const {
    const std::size_t next = i + 1;
    const bool spaced = next < tenths_.size() && tenths_[next] > tenths_[i] &&
                        !std::binary_search(gapStarts_.begin(), gapStarts_.end(), next);
    const std::int64_t spacing = spaced ? tenths_[next] - tenths_[i] : 0;
    for (std::size_t q = 0; q < channels_.size(); ++q) {
        const float value = channels_[q].values[i];
        if (!std::isfinite(value)) continue;
        totals.sums[q] += value;
        ++totals.counts[q];
    }
    const float watts = channels_[static_cast<std::size_t>(Quantity::Watts)].values[i];
    const double energyWatts = std::isfinite(watts) ? watts : 0.0;
    if (spaced) {
        totals.spacedTenths += spacing;
        totals.spacedWattTenths += energyWatts * static_cast<double>(spacing);
    } else {
        ++totals.intervalSamples;
        totals.intervalWatts += energyWatts;
    }
}

void SampleStore::shiftTimes(std::int64_t tenths) {
    for (std::int64_t& t : tenths_) t += tenths;
}

void SampleStore::clear() {
    tenths_.clear();
    gapStarts_.clear();
    blocks_.clear();
    interval_.clear();
    for (Channel& c : channels_) {
        c.values.clear();
        c.pyramid.clear();
    }
}

}  // namespace vemtora::plot
