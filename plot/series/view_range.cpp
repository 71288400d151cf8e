#include "view_range.h"

#include <algorithm>
#include <cmath>

namespace vemtora::plot {

namespace {

// Unlike std::clamp, defined even when rounding leaves high a hair below low.
double bounded(double value, double low, double high) { return std::max(low, std::min(value, high)); }

}  // namespace

ViewRange::Extent ViewRange::extent() const {
    if (!hasData_) return {0.0, 60.0};
    if (last_ - first_ >= kMinimumSpan) return {first_, last_};
    const double middle = first_ / 2 + last_ / 2;
    return {middle - kMinimumSpan / 2, middle + kMinimumSpan / 2};
}

void ViewRange::setData(double first, double last) {
    if (!std::isfinite(first) || !std::isfinite(last) || last < first) return;
    hasData_ = true;
    first_ = first;
    last_ = last;
    const bool following = following_;
    if (showsAll_ && following) {
        showAll();
    } else if (following) {
        const double span = to_ - from_;
        set(extent().high - span, extent().high);
    } else {
        set(from_, to_);
    }
    following_ = following;
}

void ViewRange::follow(bool on) {
    following_ = on;
    if (!on) {
        showsAll_ = false;  // a whole view that stops growing is a view like any other
        return;
    }
    const double span = to_ - from_;
    set(extent().high - span, extent().high);
    following_ = true;
}

void ViewRange::clearData() {
    hasData_ = false;
    showAll();
}

void ViewRange::showAll() {
    const Extent whole = extent();
    from_ = whole.low;
    to_ = whole.high;
    showsAll_ = true;
    following_ = true;
}

void ViewRange::show(double from, double to) {
    if (!std::isfinite(from) || !std::isfinite(to) || to < from) return;
    set(from, from + std::max(to - from, kMinimumSpan));
}

void ViewRange::zoom(double factor, double anchor) {
    if (!std::isfinite(factor) || factor <= 0 || !std::isfinite(anchor)) return;
    const double span = to_ - from_;
    const Extent whole = extent();
    const double newSpan = bounded(span * factor, kMinimumSpan, whole.high - whole.low);
    anchor = bounded(anchor, from_, to_);
    if (anchor == to_ && showsEnd()) {
        set(whole.high - newSpan, whole.high);  // the end itself, not a rounding short of it
        return;
    }
    const double from = anchor - (anchor - from_) * (newSpan / span);
    set(from, from + newSpan);
}

void ViewRange::pan(double fraction) {
    if (!std::isfinite(fraction)) return;
    const double shift = (to_ - from_) * fraction;
    set(from_ + shift, to_ + shift);
}

void ViewRange::set(double from, double to) {
    const Extent whole = extent();
    const double span = std::min(to - from, whole.high - whole.low);
    from = bounded(from, whole.low, whole.high - span);
    from_ = from;
    // At the end, the end exactly: (high - span) + span may fall short, and the view stop following.
    to_ = from >= whole.high - span ? whole.high : from + span;
    showsAll_ = from_ <= whole.low && to_ >= whole.high;
    following_ = to_ >= whole.high;
}

}  // namespace vemtora::plot
