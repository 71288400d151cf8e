// What the window's tests look into: the series, axes and labels drawn, the follower's samples and
// the menus' actions, without the product classes carrying accessors for them.
#pragma once

#include <QAction>
#include <QCategoryAxis>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QValueAxis>

#include "plot/window/chart_stack.h"
#include "plot/window/plot_window.h"

namespace vemtora::plot::testing {

class PlotPeer {
public:
    static QLineSeries& series(const ChartStack& charts, Quantity quantity) { return *charts.panel(quantity).series; }
    static QValueAxis& valueAxis(const ChartStack& charts, Quantity quantity) { return *charts.panel(quantity).values; }
    static QCategoryAxis& timeAxis(const ChartStack& charts, Quantity quantity) { return *charts.panel(quantity).time; }
    static QLabel& selectionLabel(const ChartStack& charts) { return *charts.selection_; }
    // Runs drawn apart because gaps lie between them: 1 for a log without gaps in view.
    static int runs(const ChartStack& charts, Quantity quantity) {
        int count = 1;
        for (const QLineSeries* run : charts.panel(quantity).afterGaps) count += run->count() > 0 ? 1 : 0;
        return count;
    }

    static ChartStack& charts(PlotWindow& window) { return *window.charts_; }
    static ViewRange& viewRange(PlotWindow& window) { return window.view_; }
    static QString readout(const PlotWindow& window) { return window.readout_->text(); }
    static QString counts(const PlotWindow& window) { return window.counts_->text(); }
    static const LogFollower& follower(const PlotWindow& window) { return window.follower_; }
    static QMenu& recentMenu(const PlotWindow& window) { return *window.recentMenu_; }
    static QAction& followAction(const PlotWindow& window) { return *window.follow_; }
};

}  // namespace vemtora::plot::testing
