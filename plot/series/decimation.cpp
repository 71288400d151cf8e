#include "decimation.h"

#include <cmath>

namespace vemtora::plot {

namespace {

void addPoint(Trace& out, double seconds, float value) {
    if (std::isfinite(value)) out.points.push_back({seconds, value});
}

double secondsAt(std::span<const std::int64_t> times, std::size_t i) { return static_cast<double>(times[i]) / 10.0; }

std::int64_t saturated(double tenths) {
    constexpr double kLimit = 9.0e18;  // inside int64 with room to spare
    if (!(tenths > -kLimit)) return -static_cast<std::int64_t>(kLimit);
    if (!(tenths < kLimit)) return static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(tenths);
}

}  // namespace

std::int64_t tenthsAtOrAfter(double seconds) { return saturated(std::ceil(seconds * 10.0)); }
std::int64_t tenthsAfter(double seconds) { return saturated(std::floor(seconds * 10.0) + 1.0); }

std::size_t firstIndexAtOrAfter(std::span<const std::int64_t> times, std::int64_t tenths) {
    std::size_t low = 0;
    std::size_t high = times.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (times[middle] < tenths) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

void decimate(const SampleStore& store, Quantity quantity, double from, double to, int columns, Trace& out) {
    out.points.clear();
    out.visible = MinMax{};
    if (!std::isfinite(from) || !std::isfinite(to) || to < from) return;
    if (columns < 1) columns = 1;
    const auto times = store.tenths();
    const auto values = store.values(quantity);
    const std::size_t first = firstIndexAtOrAfter(times, tenthsAtOrAfter(from));
    std::size_t last = firstIndexAtOrAfter(times, tenthsAfter(to));
    if (last < first) last = first;

    if (first > 0) addPoint(out, secondsAt(times, first - 1), values[first - 1]);
    if (last - first <= 2 * static_cast<std::size_t>(columns)) {
        for (std::size_t i = first; i < last; ++i) {
            addPoint(out, secondsAt(times, i), values[i]);
            out.visible.add(values[i]);
        }
    } else {
        const double width = (to - from) / columns;
        std::size_t begin = first;
        for (int column = 0; column < columns; ++column) {
            std::size_t end = column + 1 == columns ? last : firstIndexAtOrAfter(times, tenthsAtOrAfter(from + (column + 1) * width));
            if (end < begin) end = begin;
            if (end > last) end = last;
            const MinMax extremes = store.pyramid(quantity).range(values, begin, end);
            if (!extremes.empty()) {
                const double middle = from + (column + 0.5) * width;
                // Whichever end is nearer the line so far comes first: fewer crossing strokes.
                const bool fallFirst = !out.points.empty() && out.points.back().value > (extremes.min + extremes.max) / 2;
                addPoint(out, middle, fallFirst ? extremes.max : extremes.min);
                if (extremes.max != extremes.min) addPoint(out, middle, fallFirst ? extremes.min : extremes.max);
                out.visible.add(extremes);
            }
            begin = end;
        }
    }
    if (last < times.size()) addPoint(out, secondsAt(times, last), values[last]);
}

}  // namespace vemtora::plot
