#include "decimation.h"

#include <algorithm>
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

std::size_t nearestIndex(std::span<const std::int64_t> times, double seconds) {
    if (times.empty()) return 0;
    std::size_t i = firstIndexAtOrAfter(times, tenthsAtOrAfter(seconds));
    if (i == times.size() ||
        (i > 0 && seconds * 10 - static_cast<double>(times[i - 1]) < static_cast<double>(times[i]) - seconds * 10)) {
        --i;
    }
    return i;
}

namespace {

// Walks sorted sample indices (gaps, clock steps) in step with ascending sample indices.
class IndexCursor {
public:
    IndexCursor(std::span<const std::size_t> indices, std::size_t from)
        : indices_(indices),
          at_(static_cast<std::size_t>(std::lower_bound(indices.begin(), indices.end(), from) - indices.begin())) {}

    // Whether i is one of them; i never below the last call's.
    bool at(std::size_t i) {
        while (at_ < indices_.size() && indices_[at_] < i) ++at_;
        return at_ < indices_.size() && indices_[at_] == i;
    }
    // The first one after i, or `limit`.
    std::size_t nextAfter(std::size_t i, std::size_t limit) {
        at(i);
        std::size_t k = at_;
        if (k < indices_.size() && indices_[k] == i) ++k;
        return k < indices_.size() && indices_[k] < limit ? indices_[k] : limit;
    }

private:
    std::span<const std::size_t> indices_;
    std::size_t at_;
};

// No line is drawn across a gap, nor across a clock step: the step's marker stands in the break.
class BreakCursor {
public:
    BreakCursor(const SampleStore& store, std::size_t from)
        : gaps_(store.gapStarts(), from), steps_(store.clockSteps(), from) {}
    bool before(std::size_t i) { return gaps_.at(i) || steps_.at(i); }
    std::size_t nextAfter(std::size_t i, std::size_t limit) { return steps_.nextAfter(i, gaps_.nextAfter(i, limit)); }

private:
    IndexCursor gaps_;
    IndexCursor steps_;
};

void breakRun(Trace& out) {
    if (!out.points.empty() && (out.runStarts.empty() || out.runStarts.back() != out.points.size())) {
        out.runStarts.push_back(out.points.size());
    }
}

}  // namespace

void decimate(const SampleStore& store, Quantity quantity, double from, double to, int columns, Trace& out) {
    out.points.clear();
    out.runStarts.clear();
    out.visible = MinMax{};
    if (!std::isfinite(from) || !std::isfinite(to) || to < from) return;
    if (columns < 1) columns = 1;
    const auto times = store.tenths();
    const auto values = store.values(quantity);
    const std::size_t first = firstIndexAtOrAfter(times, tenthsAtOrAfter(from));
    std::size_t last = firstIndexAtOrAfter(times, tenthsAfter(to));
    if (last < first) last = first;
    BreakCursor gaps(store, first);

    if (first > 0) addPoint(out, secondsAt(times, first - 1), values[first - 1]);
    if (last - first <= 2 * static_cast<std::size_t>(columns)) {
        for (std::size_t i = first; i < last; ++i) {
            if (gaps.before(i)) breakRun(out);
            addPoint(out, secondsAt(times, i), values[i]);
            out.visible.add(values[i]);
        }
    } else {
        const double width = (to - from) / columns;
        std::size_t begin = first;
        for (int column = 0; column < columns; ++column) {
            std::size_t end =
                column + 1 == columns ? last : firstIndexAtOrAfter(times, tenthsAtOrAfter(from + (column + 1) * width));
            if (end < begin) end = begin;
            if (end > last) end = last;
            const double middle = from + (column + 0.5) * width;
            for (std::size_t at = begin; at < end;) {
                if (gaps.before(at)) breakRun(out);
                const std::size_t stop = gaps.nextAfter(at, end);
                const MinMax extremes = store.pyramid(quantity).range(values, at, stop);
                if (!extremes.empty()) {
                    // Whichever end is nearer the line so far comes first: fewer crossing strokes.
                    const bool fallFirst =
                        !out.points.empty() && out.points.back().value > (extremes.min + extremes.max) / 2;
                    addPoint(out, middle, fallFirst ? extremes.max : extremes.min);
                    if (extremes.max != extremes.min) addPoint(out, middle, fallFirst ? extremes.min : extremes.max);
                    out.visible.add(extremes);
                }
                at = stop;
            }
            begin = end;
        }
    }
    if (last < times.size()) {
        if (gaps.before(last)) breakRun(out);
        addPoint(out, secondsAt(times, last), values[last]);
    }
}

}  // namespace vemtora::plot
