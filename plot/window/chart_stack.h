// Volts, amperes and watts as three charts stacked over one time axis, drawn from the decimated samples.
#pragma once

#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsLineItem>
#include <QLabel>
#include <QLineSeries>
#include <QValueAxis>
#include <QWidget>

#include <array>
#include <vector>

#include "plot/series/decimation.h"
#include "plot/series/sample_store.h"
#include "plot/series/view_range.h"
#include "time_chart_view.h"

namespace vemtora::plot {

class ChartStack : public QWidget {
    Q_OBJECT

public:
    ChartStack(const SampleStore& store, ViewRange& view, QWidget* parent = nullptr);

    // Draws the view's range again: after new samples, or a zoom or pan.
    void refresh();
    void setDated(bool dated);
    // A line across all three charts at this time; NaN hides it.
    void showCursor(double seconds);

    TimeChartView& view(Quantity quantity) const { return *panel(quantity).view; }
    QLineSeries& series(Quantity quantity) const { return *panel(quantity).series; }
    // Runs drawn apart because gaps lie between them: 1 for a log without gaps in view.
    int runs(Quantity quantity) const;
    QValueAxis& valueAxis(Quantity quantity) const { return *panel(quantity).values; }
    QCategoryAxis& timeAxis(Quantity quantity) const { return *panel(quantity).time; }
    QString statisticsText() const { return statistics_->text(); }
    // A line above the charts (a picture's file name and range); empty hides it.
    void setCaption(const QString& text);
    QLabel& caption() const { return *caption_; }
    QLabel& statistics() const { return *statistics_; }

signals:
    void hovered(double seconds);
    void viewChanged();

private:
    struct Panel {
        QChart* chart = nullptr;
        TimeChartView* view = nullptr;
        QLineSeries* series = nullptr;      // the trace up to its first gap
        std::vector<QLineSeries*> afterGaps;  // one run each after that; spare ones empty
        QValueAxis* values = nullptr;
        QCategoryAxis* time = nullptr;
        QGraphicsLineItem* cursor = nullptr;
    };
    const Panel& panel(Quantity quantity) const { return panels_[static_cast<std::size_t>(quantity)]; }
    void makePanel(Quantity quantity);
    void drawTimeAxes();
    void drawValues(Panel& panel, Quantity quantity);
    QLineSeries& runSeries(Panel& panel, std::size_t run);
    void layOutPlotAreas();
    int columns() const;  // pixel columns of the plot area

    const SampleStore& store_;
    ViewRange& viewRange_;
    std::array<Panel, 3> panels_;
    Trace trace_;  // reused: no allocation per redraw once warmed up
    QList<QPointF> points_;
    QLabel* statistics_;  // of the samples in view
    QLabel* caption_;
    bool dated_ = false;
    double cursorSeconds_;
};

}  // namespace vemtora::plot
