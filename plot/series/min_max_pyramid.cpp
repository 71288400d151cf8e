#include "min_max_pyramid.h"

namespace vemtora::plot {

void MinMaxPyramid::grow(std::span<const float> values) {
    if (levels_.empty()) levels_.emplace_back();
    while ((levels_[0].size() + 1) * kLeaf <= values.size()) {
        MinMax block;
        const std::size_t begin = levels_[0].size() * kLeaf;
        for (std::size_t i = begin; i < begin + kLeaf; ++i) block.add(values[i]);
        levels_[0].push_back(block);
    }
    for (std::size_t level = 0; levels_[level].size() >= 2; ++level) {
        if (level + 1 == levels_.size()) levels_.emplace_back();
        const std::vector<MinMax>& below = levels_[level];
        std::vector<MinMax>& above = levels_[level + 1];
        while (above.size() * 2 + 2 <= below.size()) {
            MinMax pair = below[above.size() * 2];
            pair.add(below[above.size() * 2 + 1]);
            above.push_back(pair);
        }
    }
}

MinMax MinMaxPyramid::range(std::span<const float> values, std::size_t begin, std::size_t end) const {
    MinMax result;
    if (end > values.size()) end = values.size();
    std::size_t i = begin;
    while (i < end) {
        if (levels_.empty() || i % kLeaf != 0 || i + kLeaf > end || i / kLeaf >= levels_[0].size()) {
            result.add(values[i++]);
            continue;
        }
        // The largest complete block that starts here and ends in time.
        std::size_t level = 0;
        std::size_t block = kLeaf;
        while (level + 1 < levels_.size() && i % (block * 2) == 0 && i + block * 2 <= end &&
               i / (block * 2) < levels_[level + 1].size()) {
            ++level;
            block *= 2;
        }
        result.add(levels_[level][i / block]);
        i += block;
    }
    return result;
}

}  // namespace vemtora::plot
