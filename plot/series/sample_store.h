// The samples of one log in compact arrays on one timeline, with a min/max pyramid per quantity.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "gap_rule.h"
#include "min_max_pyramid.h"
#include "plot/reader/log_reader.h"
#include "sample_totals.h"

namespace vemtora::plot {

enum class Quantity { Volts, Amperes, Watts };
inline constexpr std::array<Quantity, 3> kQuantities = {Quantity::Volts, Quantity::Amperes, Quantity::Watts};

// Samples whose stamps, as written, lie at one distance from their place on the timeline. The
// next begins where the clock was set back or the offset from UTC changed.
struct ClockSegment {
    std::size_t first = 0;
    std::int64_t clockMinusTenths = 0;
    std::optional<std::int32_t> utcOffsetMinutes;
};

class SampleStore final : public LogSink {
public:
    void append(const LogSample& sample) override;
    void shiftTimes(std::int64_t tenths) override;
    void skippedLine() override { skippedLines_.push_back(tenths_.size()); }
    void caughtUp() override;
    void clear();
    void reserve(std::size_t samples);

    std::size_t size() const { return tenths_.size(); }
    bool empty() const { return tenths_.empty(); }
    // Each sample's place on the timeline, ascending in log order: one stamped earlier than the
    // one before it (a clock set back) is placed one interval after it.
    std::span<const std::int64_t> tenths() const { return tenths_; }
    std::span<const float> values(Quantity quantity) const { return channel(quantity).values; }
    const MinMaxPyramid& pyramid(Quantity quantity) const { return channel(quantity).pyramid; }
    // Ascending indices i with a gap between samples i - 1 and i. The last few are judged with the
    // lines known so far, and may change as more come.
    std::span<const std::size_t> gapStarts() const { return gapStarts_; }
    // Ascending indices i stamped earlier than sample i - 1.
    std::span<const std::size_t> clockSteps() const { return clockSteps_; }
    // For each line that gave no sample, the index of the sample after it.
    std::span<const std::size_t> skippedLines() const { return skippedLines_; }
    std::span<const ClockSegment> segments() const { return segments_; }
    const ClockSegment& segmentOf(std::size_t i) const;
    // Sample i's stamp as written, in tenths since 1970-01-01 of its own clock.
    std::int64_t clockOf(std::size_t i) const { return tenths_[i] + segmentOf(i).clockMinusTenths; }
    // The interval in force at sample i, from the spacings up to it, in tenths; 0 while unknown.
    std::int64_t intervalAt(std::size_t i) const;
    // What sample i covers: the time to the next sample, or one interval before a gap, a clock
    // step or the end. Runs side by side add up, and a gap adds nothing.
    std::int64_t coverage(std::size_t i) const;

    static constexpr std::size_t kBlock = 4096;
    // Totals of samples [k * kBlock, (k + 1) * kBlock), each block once its coverage is final.
    std::span<const SampleTotals> blocks() const { return blocks_; }
    void addTo(SampleTotals& totals, std::size_t i) const;

private:
    // Single precision halves the memory a week of 0.1 s lines takes; a chart shows no more digits.
    struct Channel {
        std::vector<float> values;
        MinMaxPyramid pyramid;
    };
    const Channel& channel(Quantity quantity) const { return channels_[static_cast<std::size_t>(quantity)]; }
    // From sample i - 1 to i on the timeline; 0 where the clock was set back, which says nothing.
    std::int64_t spacing(std::size_t i) const;
    bool isClockStep(std::size_t i) const;
    bool judgeGap(std::size_t i) const;  // with the samples known so far
    void addFinalBlocks();

    std::vector<std::int64_t> tenths_;
    std::array<Channel, 3> channels_;
    std::vector<std::size_t> gapStarts_;
    std::size_t finalGaps_ = 0;  // those judged with the interval after them known in full
    std::vector<std::size_t> clockSteps_;
    std::vector<std::size_t> skippedLines_;
    std::vector<ClockSegment> segments_;
    std::vector<SampleTotals> blocks_;
    std::int64_t lastStamp_ = 0;  // the last sample's tenths as the reader gave them
};

// A double as float without undefined behaviour: beyond float's range it becomes an infinity.
float toFloat(double value);

}  // namespace vemtora::plot
