#include "sample_store.h"

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
}

void SampleStore::shiftTimes(std::int64_t tenths) {
    for (std::int64_t& t : tenths_) t += tenths;
}

void SampleStore::clear() {
    tenths_.clear();
    gapStarts_.clear();
    interval_.clear();
    for (Channel& c : channels_) {
        c.values.clear();
        c.pyramid.clear();
    }
}

}  // namespace vemtora::plot
