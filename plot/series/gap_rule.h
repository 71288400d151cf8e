// Where a log has a gap: no line for clearly longer than the log's own interval, which is read
// from the spacing of its recent lines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vemtora::plot {

class IntervalEstimate {
public:
    // The spacing from one sample to the next, in tenths; zero and negative ones (a clock set
    // back) say nothing about the interval.
    void add(std::int64_t spacing);
    // The median of the recent spacings; 0 until a few are known.
    std::int64_t interval() const { return interval_; }
    void clear() { *this = IntervalEstimate{}; }

private:
    static constexpr std::size_t kRecent = 31;
    static constexpr std::size_t kFewest = 4;
    std::array<std::int64_t, kRecent> recent_{};
    std::size_t count_ = 0;  // ever added, for the ring's position
    std::int64_t interval_ = 0;
};

// A missing line or more: a spacing above 1.5 intervals. A late tick is no gap. Stamps of four-digit
// years keep both far from overflowing.
inline bool isGap(std::int64_t spacing, std::int64_t interval) {
    return interval > 0 && spacing * 2 > interval * 3;
}

}  // namespace vemtora::plot
