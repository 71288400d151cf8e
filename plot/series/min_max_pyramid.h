// Minimum and maximum of any run of samples in a few steps, for drawing millions of them per pixel column.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

namespace vemtora::plot {

struct MinMax {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();

    bool empty() const { return min > max; }
    // Values that are no number or beyond float's range have no place on a chart's axis.
    void add(float value) {
        if (!std::isfinite(value)) return;
        if (value < min) min = value;
        if (value > max) max = value;
    }
    void add(const MinMax& other) {
        if (other.min < min) min = other.min;
        if (other.max > max) max = other.max;
    }
};

// Level 0 holds each block of kLeaf samples, level k blocks of kLeaf * 2^k; only complete blocks
// are kept, so appending samples only ever adds to the end of each level.
class MinMaxPyramid {
public:
    static constexpr std::size_t kLeaf = 16;

    // `values`: all samples so far, the earlier ones unchanged since the last call.
    void grow(std::span<const float> values);
    void clear() { levels_.clear(); }
    // Of values[begin, end); `values` as last given to grow.
    MinMax range(std::span<const float> values, std::size_t begin, std::size_t end) const;

private:
    std::vector<std::vector<MinMax>> levels_;
};

}  // namespace vemtora::plot
