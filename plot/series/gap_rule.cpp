#include "gap_rule.h"

#include <algorithm>
#include <array>

namespace vemtora::plot {

IntervalWindow intervalOf(std::span<const std::int64_t> spacings) {
    // Kept in order as they come: five at most, once per line of a long log.
    std::array<std::int64_t, kIntervalWindow> sorted{};
    std::size_t known = 0;
    for (const std::int64_t spacing : spacings.first(std::min(spacings.size(), kIntervalWindow))) {
        if (spacing <= 0) continue;
        std::size_t at = known++;
        for (; at > 0 && sorted[at - 1] > spacing; --at) sorted[at] = sorted[at - 1];
        sorted[at] = spacing;
    }
    if (known == 0) return {};
    return {sorted[known / 2], known};
}

bool isGap(std::int64_t spacing, const IntervalWindow& before, const IntervalWindow& after) {
    constexpr std::size_t kFewest = 3;
    const std::int64_t interval = std::max(before.median, after.median);
    return before.known + after.known >= kFewest && interval > 0 && spacing * 2 > interval * 3;
}

}  // namespace vemtora::plot
