// The samples of one log in compact arrays, with a min/max pyramid per quantity.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "gap_rule.h"
#include "min_max_pyramid.h"
#include "sample_totals.h"
#include "plot/reader/log_reader.h"

namespace vemtora::plot {

enum class Quantity { Volts, Amperes, Watts };
inline constexpr std::array<Quantity, 3> kQuantities = {Quantity::Volts, Quantity::Amperes, Quantity::Watts};

class SampleStore final : public LogSink {
public:
    void append(const LogSample& sample) override;
    void shiftTimes(std::int64_t tenths) override;
    void clear();

    std::size_t size() const { return tenths_.size(); }
    bool empty() const { return tenths_.empty(); }
    std::span<const std::int64_t> tenths() const { return tenths_; }
    std::span<const float> values(Quantity quantity) const { return channel(quantity).values; }
    const MinMaxPyramid& pyramid(Quantity quantity) const { return channel(quantity).pyramid; }
    // Ascending indices i with a gap between samples i - 1 and i; judged as each sample arrives.
    std::span<const std::size_t> gapStarts() const { return gapStarts_; }
    std::int64_t interval() const { return interval_.interval(); }  // tenths; 0 while unknown

    static constexpr std::size_t kBlock = 4096;
    // Totals of samples [k * kBlock, (k + 1) * kBlock), each block once the sample after it is known.
    std::span<const SampleTotals> blocks() const { return blocks_; }
    // Adds sample i, whose successor (if any) has arrived, to `totals`.
    void addTo(SampleTotals& totals, std::size_t i) const;

private:
    // Single precision halves the memory a week of 0.1 s lines takes; a chart shows no more digits.
    struct Channel {
        std::vector<float> values;
        MinMaxPyramid pyramid;
    };
    const Channel& channel(Quantity quantity) const { return channels_[static_cast<std::size_t>(quantity)]; }

    std::vector<std::int64_t> tenths_;
    std::array<Channel, 3> channels_;
    std::vector<std::size_t> gapStarts_;
    std::vector<SampleTotals> blocks_;
    IntervalEstimate interval_;
};

// A double as float without undefined behaviour: beyond float's range it becomes an infinity.
float toFloat(double value);

}  // namespace vemtora::plot
