#include "gap_rule.h"

#include <algorithm>

namespace vemtora::plot {

void IntervalEstimate::add(std::int64_t spacing) {
    if (spacing <= 0) return;
    recent_[count_ % kRecent] = spacing;
    ++count_;
    // A median of 31 per line would cost more than reading it: every 16th line and each gap follow a
    // changed interval soon enough.
    const bool due = count_ <= kRecent || count_ % 16 == 0 || isGap(spacing, interval_);
    if (count_ < kFewest || !due) return;
    std::array<std::int64_t, kRecent> sorted = recent_;
    const std::size_t known = std::min(count_, kRecent);
    std::nth_element(sorted.begin(), sorted.begin() + known / 2, sorted.begin() + known);
    interval_ = sorted[known / 2];
}

}  // namespace vemtora::plot
