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
    const std::size_t n = tenths_.size();
    std::int64_t placed = sample.tenths;
    if (n > 0) {
        if (sample.tenths < lastStamp_) {
            // Nothing drawn backwards or over earlier samples: the next one goes on after them.
            placed = tenths_.back() + intervalAt(n - 1);
            clockSteps_.push_back(n);
        } else {
            placed = tenths_.back() + (sample.tenths - lastStamp_);
        }
    }
    lastStamp_ = sample.tenths;
    tenths_.push_back(placed);
    const std::int64_t clockMinusTenths = sample.tenths + sample.clockMinusTenths - placed;
    if (segments_.empty() || segments_.back().clockMinusTenths != clockMinusTenths ||
        segments_.back().utcOffsetMinutes != sample.utcOffsetMinutes) {
        segments_.push_back({n, clockMinusTenths, sample.utcOffsetMinutes});
    }
    const double values[] = {sample.volts, sample.amperes, sample.watts};
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        channels_[i].values.push_back(toFloat(values[i]));
        channels_[i].pyramid.grow(channels_[i].values);
    }
    // The spacing kIntervalWindow samples back now has its whole window after it.
    gapStarts_.resize(finalGaps_);
    if (n > kIntervalWindow && judgeGap(n - kIntervalWindow)) gapStarts_.push_back(n - kIntervalWindow);
    finalGaps_ = gapStarts_.size();
    addFinalBlocks();
}

void SampleStore::caughtUp() {
    gapStarts_.resize(finalGaps_);
    const std::size_t n = tenths_.size();
    for (std::size_t i = n > kIntervalWindow + 1 ? n - kIntervalWindow : 1; i < n; ++i) {
        if (judgeGap(i)) gapStarts_.push_back(i);
    }
}

void SampleStore::addFinalBlocks() {
    // A block's last coverage waits on the gap after it, which waits on the window after that.
    while (tenths_.size() > (blocks_.size() + 1) * kBlock + kIntervalWindow) {
        SampleTotals totals;
        for (std::size_t i = blocks_.size() * kBlock; i < (blocks_.size() + 1) * kBlock; ++i) addTo(totals, i);
        blocks_.push_back(totals);
    }
}

bool SampleStore::isClockStep(std::size_t i) const {
    if (clockSteps_.empty() || i < clockSteps_.front() || i > clockSteps_.back()) return false;
    return std::binary_search(clockSteps_.begin(), clockSteps_.end(), i);
}

std::int64_t SampleStore::spacing(std::size_t i) const {
    if (i == 0 || i >= tenths_.size() || isClockStep(i)) return 0;
    return tenths_[i] - tenths_[i - 1];
}

bool SampleStore::judgeGap(std::size_t i) const {
    const std::int64_t gap = spacing(i);
    if (gap <= 0) return false;
    std::array<std::int64_t, kIntervalWindow> before{}, after{};
    std::size_t known = 0;
    for (std::size_t j = i - 1; j >= 1 && known < kIntervalWindow; --j) before[known++] = spacing(j);
    const IntervalWindow earlier = intervalOf(std::span(before).first(known));
    known = 0;
    for (std::size_t j = i + 1; j < tenths_.size() && known < kIntervalWindow; ++j) after[known++] = spacing(j);
    return isGap(gap, earlier, intervalOf(std::span(after).first(known)));
}

std::int64_t SampleStore::intervalAt(std::size_t i) const {
    std::array<std::int64_t, kIntervalWindow> spacings{};
    std::size_t known = 0;
    for (std::size_t j = i; j >= 1 && known < kIntervalWindow; --j) spacings[known++] = spacing(j);
    return intervalOf(std::span(spacings).first(known)).median;
}

std::int64_t SampleStore::coverage(std::size_t i) const {
    const std::size_t next = i + 1;
    if (next < tenths_.size() && !isClockStep(next) &&
        !std::binary_search(gapStarts_.begin(), gapStarts_.end(), next)) {
        return tenths_[next] - tenths_[i];
    }
    return intervalAt(i);
}

void SampleStore::addTo(SampleTotals& totals, std::size_t i) const {
    for (std::size_t q = 0; q < channels_.size(); ++q) {
        const float value = channels_[q].values[i];
        if (!std::isfinite(value)) continue;
        totals.sums[q] += value;
        ++totals.counts[q];
    }
    const std::int64_t covered = coverage(i);
    const float watts = channels_[static_cast<std::size_t>(Quantity::Watts)].values[i];
    totals.coveredTenths += covered;
    if (std::isfinite(watts)) totals.wattTenths += watts * static_cast<double>(covered);
}

const ClockSegment& SampleStore::segmentOf(std::size_t i) const {
    const auto after =
        std::upper_bound(segments_.begin(), segments_.end(), i,
                         [](std::size_t index, const ClockSegment& segment) { return index < segment.first; });
    return after == segments_.begin() ? segments_.front() : *(after - 1);
}

void SampleStore::shiftTimes(std::int64_t tenths) {
    for (std::int64_t& t : tenths_) t += tenths;
    lastStamp_ += tenths;
}

void SampleStore::reserve(std::size_t samples) {
    tenths_.reserve(samples);
    for (Channel& c : channels_) c.values.reserve(samples);
}

void SampleStore::clear() { *this = SampleStore{}; }

}  // namespace vemtora::plot
