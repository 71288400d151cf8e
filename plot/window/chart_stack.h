// Volts, amperes and watts as three charts stacked over one time axis, drawn from the decimated samples.
#pragma once

#include <QCategoryAxis>
#include <QChart>
#include <QElapsedTimer>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QTimer>
#include <QValueAxis>
#include <QWidget>

#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "plot/series/decimation.h"
#include "plot/series/sample_store.h"
#include "plot/series/time_axis.h"
#include "plot/series/value_ticks.h"
#include "plot/series/view_range.h"
#include "time_chart_view.h"

namespace vemtora::plot {

namespace testing {
class PlotPeer;
}

class ChartStack : public QWidget {
    Q_OBJECT

public:
    ChartStack(const SampleStore& store, ViewRange& view, QWidget* parent = nullptr);

    // Draws the view's range again: after a zoom or pan, a new log, a resize.
    void refresh();
    // After samples were appended: draws again only what they change on screen.
    void samplesAppended();
    void setDated(bool dated);
    // A line across all three charts at this time; NaN hides it.
    void showCursor(double seconds);
    // A stretch shaded across all three charts between two cursors, with its statistics under
    // them; NaN hides it.
    void showSelection(double from, double to);
    bool hasSelection() const;
    double selectionFrom() const { return selectionFrom_; }
    double selectionTo() const { return selectionTo_; }

    TimeChartView& view(Quantity quantity) const { return *panel(quantity).view; }
    QString statisticsText() const { return statistics_->text(); }
    // A line above the charts (a picture's file name and range); empty hides it.
    void setCaption(const QString& text);
    // The statistics line says this instead of what is in view: a picture's range; empty hides it.
    void setStatisticsText(const QString& text);
    // A value axis from low to high whatever the samples in view, as a zoom leaves it or a
    // picture asks for; fitValues() gives every axis back to the samples.
    void setValueRange(Quantity quantity, double low, double high);
    void fitValues();
    // No minimum size: a picture is drawn at any size asked for, however cramped.
    void allowAnySize();
    QLabel& caption() const { return *caption_; }
    QLabel& statistics() const { return *statistics_; }

signals:
    void hovered(double seconds);
    void viewChanged();
    void selectionDragged(double from, double to);
    void clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    friend class testing::PlotPeer;  // looks into what is drawn, for the window's tests

    struct Panel {
        QChart* chart = nullptr;
        TimeChartView* view = nullptr;
        QLineSeries* series = nullptr;        // the trace up to its first gap
        std::vector<QLineSeries*> afterGaps;  // one run each after that; spare ones empty
        QValueAxis* values = nullptr;
        QCategoryAxis* time = nullptr;
        QGraphicsLineItem* cursor = nullptr;
        QGraphicsRectItem* selected = nullptr;      // the shaded stretch
        std::array<QGraphicsLineItem*, 2> edges{};  // its cursors
        MinMax visible;                             // of the samples in view
        ValueTicks ticks;
        MinMax lastColumn;                                     // of the samples drawn in the rightmost pixel column
        std::optional<std::pair<double, double>> fixedValues;  // low, high
        std::vector<QGraphicsLineItem*> marks;                 // where one clock gives way to the next
        std::vector<QGraphicsSimpleTextItem*> markTexts;
    };
    const Panel& panel(Quantity quantity) const { return panels_[static_cast<std::size_t>(quantity)]; }
    void makePanel(Quantity quantity);
    void drawTimeAxes();
    void drawValues(Panel& panel, Quantity quantity);
    void setValueAxis(Panel& panel, const MinMax& visible);
    void drawSelection();
    void drawMarks();
    void zoomValues(Panel& panel, double factor, double anchor);
    void panValues(Panel& panel, double fraction);
    void applyPalette();
    void showStatistics();
    static int valueTickRoom(const Panel& panel);  // pixels of height per value label
    int maxValueTicks(const Panel& panel) const;
    int timeGutter() const;  // under the bottom chart's plot area, for the time labels and title
    double xOf(const Panel& panel, double seconds) const;
    // Nothing drawn would move by half a pixel or more, nor any extreme change.
    bool appendedSamplesInvisible() const;
    QLineSeries& runSeries(Panel& panel, std::size_t run);
    void layOutPlotAreas();
    int columns() const;  // pixel columns of the plot area

    const SampleStore& store_;
    ViewRange& viewRange_;
    std::array<Panel, 3> panels_;
    Trace trace_;  // reused: no allocation per redraw once warmed up
    QList<QPointF> points_;
    QLabel* statistics_;  // of the samples in view
    QLabel* selection_;   // of the selected stretch
    QLabel* caption_;
    bool dated_ = false;
    bool statisticsFixed_ = false;
    static constexpr qint64 kSlideMs = 1000;  // between redraws of a view that only slides along
    QElapsedTimer lastRefresh_;
    QTimer slideTimer_;
    std::vector<TimeTick> drawnTicks_;  // on the time axes now
    QString drawnTitle_;
    double cursorSeconds_;
    double selectionFrom_;
    double selectionTo_;
    // What the charts were last drawn for.
    struct Drawn {
        double from = 0.0;
        double to = 0.0;
        int columns = 0;
        std::size_t samples = 0;
        std::size_t gaps = 0;
        std::size_t lastGap = 0;
        std::size_t segments = 0;
    } drawn_;
};

}  // namespace vemtora::plot
