// The visible stretch of time: zoom around a point, pan, show everything, and keep up with a growing log.
#pragma once

namespace vemtora::plot {

class ViewRange {
public:
    static constexpr double kMinimumSpan = 1.0;  // seconds: ten samples at the shortest interval

    // The data's first and last time (seconds). A view that showed the end moves along with it.
    void setData(double first, double last);
    void clearData();
    void showAll();
    // From `from` to `to` seconds, kept inside the data; at least kMinimumSpan.
    void show(double from, double to);
    // factor < 1 zooms in; the time at `anchor` stays where it is on screen.
    void zoom(double factor, double anchor);
    // By a share of the visible span; positive moves towards later times.
    void pan(double fraction);
    // On: the view moves to the latest sample, keeping its span, and moves along as the log grows.
    // Off: it stays where it is. Zooming and panning turn it on at the end and off elsewhere.
    void follow(bool on);

    double from() const { return from_; }
    double to() const { return to_; }
    bool showsAll() const { return showsAll_; }
    // The latest sample is in view: growth moves the view along.
    bool showsEnd() const { return to_ >= extent().high; }
    bool following() const { return following_; }

private:
    struct Extent {
        double low;
        double high;
    };
    Extent extent() const;
    void set(double from, double to);

    bool hasData_ = false;
    double first_ = 0.0;
    double last_ = 0.0;
    double from_ = 0.0;
    double to_ = 60.0;
    bool showsAll_ = true;
    bool following_ = true;
};

}  // namespace vemtora::plot
