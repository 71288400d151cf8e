#include "chart_stack.h"

#include <QFontMetrics>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>

#include <cmath>
#include <limits>

#include "plot/series/statistics_text.h"
#include "plot/series/time_axis.h"

namespace vemtora::plot {

namespace {

constexpr QMargins kGutter(6, 8, 28, 6);  // around the plot areas; room on the right for the last time label
constexpr int kLabelPadding = 6;
constexpr int kPixelsPerTimeLabel = 90;  // room for "09:05:07.3" and a gap

struct Look {
    const char* title;
    QColor color;
};

Look lookOf(Quantity quantity) {
    switch (quantity) {
        case Quantity::Volts: return {"Volts (V)", QColor(0x1f, 0x5f, 0xb4)};
        case Quantity::Amperes: return {"Amperes (A)", QColor(0xc8, 0x5a, 0x00)};
        case Quantity::Watts: return {"Watts (W)", QColor(0x2a, 0x8a, 0x3e)};
    }
    return {"", Qt::black};
}

// Decimals enough to tell neighbouring ticks apart; scientific for huge or tiny magnitudes.
QString labelFormat(double low, double high, int tickCount) {
    const double magnitude = std::max(std::abs(low), std::abs(high));
    if (magnitude >= 1e7 || (magnitude > 0 && magnitude < 1e-4)) return QStringLiteral("%.3g");
    const double step = (high - low) / std::max(tickCount - 1, 1);
    const int decimals = step > 0 ? std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 6) : 1;
    return QStringLiteral("%.%1f").arg(decimals);
}

}  // namespace

ChartStack::ChartStack(const SampleStore& store, ViewRange& view, QWidget* parent)
    : QWidget(parent), store_(store), viewRange_(view), cursorSeconds_(std::numeric_limits<double>::quiet_NaN()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    caption_ = new QLabel(this);
    caption_->setContentsMargins(8, 4, 8, 4);
    caption_->setWordWrap(true);
    caption_->hide();
    layout->addWidget(caption_);
    for (Quantity quantity : kQuantities) {
        makePanel(quantity);
        // The bottom chart also carries the time labels.
        layout->addWidget(panel(quantity).view, quantity == Quantity::Watts ? 12 : 10);
    }
    statistics_ = new QLabel(this);
    statistics_->setContentsMargins(8, 2, 8, 2);
    statistics_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statistics_->setWordWrap(true);  // a narrow window wraps it instead of growing wider
    layout->addWidget(statistics_);
    refresh();
}

void ChartStack::makePanel(Quantity quantity) {
    Panel& p = panels_[static_cast<std::size_t>(quantity)];
    const Look look = lookOf(quantity);
    p.chart = new QChart;
    p.chart->legend()->hide();
    p.chart->setMargins(QMargins());
    p.chart->setBackgroundRoundness(0);
    p.series = new QLineSeries(p.chart);
    p.series->setPen(QPen(look.color, 1.2));
    p.chart->addSeries(p.series);

    p.time = new QCategoryAxis(p.chart);
    p.time->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    p.time->setLabelsVisible(quantity == Quantity::Watts);
    p.time->setTitleVisible(quantity == Quantity::Watts);
    p.chart->addAxis(p.time, Qt::AlignBottom);
    p.series->attachAxis(p.time);

    p.values = new QValueAxis(p.chart);
    p.values->setTitleText(QString::fromLatin1(look.title));
    p.values->setTitleBrush(look.color);
    p.chart->addAxis(p.values, Qt::AlignLeft);
    p.series->attachAxis(p.values);

    p.cursor = new QGraphicsLineItem(p.chart);
    p.cursor->setPen(QPen(QColor(0, 0, 0, 110), 1, Qt::DashLine));
    p.cursor->setZValue(100);
    p.cursor->hide();

    p.view = new TimeChartView(p.chart, this);
    p.view->setMinimumHeight(90);
    connect(p.view, &TimeChartView::zoomRequested, this, [this](double factor, double anchor) {
        viewRange_.zoom(factor, anchor);
        refresh();
    });
    connect(p.view, &TimeChartView::panRequested, this, [this](double fraction) {
        viewRange_.pan(fraction);
        refresh();
    });
    connect(p.view, &TimeChartView::resetRequested, this, [this] {
        viewRange_.showAll();
        refresh();
    });
    connect(p.view, &TimeChartView::hovered, this, &ChartStack::hovered);
    connect(p.view, &TimeChartView::resized, this, &ChartStack::refresh);
}

void ChartStack::setDated(bool dated) {
    if (dated == dated_) return;
    dated_ = dated;
    drawTimeAxes();
}

int ChartStack::columns() const { return std::max(1, static_cast<int>(panel(Quantity::Watts).chart->plotArea().width())); }

void ChartStack::refresh() {
    // Values first: their labels decide the gutter, the gutter the number of pixel columns.
    for (Quantity quantity : kQuantities) drawValues(panels_[static_cast<std::size_t>(quantity)], quantity);
    layOutPlotAreas();
    for (Quantity quantity : kQuantities) drawValues(panels_[static_cast<std::size_t>(quantity)], quantity);
    drawTimeAxes();
    statistics_->setText(QString::fromStdString(statisticsLine(statisticsBetween(store_, viewRange_.from(), viewRange_.to()))));
    showCursor(cursorSeconds_);
    emit viewChanged();
}

void ChartStack::drawTimeAxes() {
    const double from = viewRange_.from();
    const double to = viewRange_.to();
    const TimeAxisText text = timeAxisText(from, to, std::max(2, columns() / kPixelsPerTimeLabel), dated_);
    for (Panel& p : panels_) {
        for (const QString& label : p.time->categoriesLabels()) p.time->remove(label);
        p.time->setRange(from, to);
        p.time->setStartValue(from);
        QSet<QString> used;
        for (const TimeTick& tick : text.ticks) {
            // A category axis takes each label once; a view over two days repeats times of day.
            QString label = QString::fromStdString(tick.label);
            while (used.contains(label)) label += QChar(0x200B);
            used.insert(label);
            if (tick.seconds > from) p.time->append(label, tick.seconds);
        }
        p.time->setTitleText(text.day.empty() ? QStringLiteral("Time")
                                              : QStringLiteral("Time (%1)").arg(QString::fromStdString(text.day)));
    }
}

void ChartStack::setCaption(const QString& text) {
    caption_->setText(text);
    caption_->setVisible(!text.isEmpty());
}

QLineSeries& ChartStack::runSeries(Panel& p, std::size_t run) {
    if (run == 0) return *p.series;
    while (p.afterGaps.size() < run) {
        auto* series = new QLineSeries(p.chart);
        series->setPen(p.series->pen());
        p.chart->addSeries(series);
        series->attachAxis(p.time);
        series->attachAxis(p.values);
        p.afterGaps.push_back(series);
    }
    return *p.afterGaps[run - 1];
}

int ChartStack::runs(Quantity quantity) const {
    const Panel& p = panel(quantity);
    int count = 1;
    for (const QLineSeries* series : p.afterGaps) count += series->count() > 0 ? 1 : 0;
    return count;
}

void ChartStack::drawValues(Panel& p, Quantity quantity) {
    decimate(store_, quantity, viewRange_.from(), viewRange_.to(), columns(), trace_);
    std::size_t run = 0;
    for (std::size_t begin = 0; begin < trace_.points.size() || run == 0; ++run) {
        const std::size_t end = run < trace_.runStarts.size() ? trace_.runStarts[run] : trace_.points.size();
        points_.resize(static_cast<qsizetype>(end - begin));
        for (std::size_t i = begin; i < end; ++i) {
            points_[static_cast<qsizetype>(i - begin)] = QPointF(trace_.points[i].seconds, trace_.points[i].value);
        }
        runSeries(p, run).replace(points_);
        begin = end;
    }
    for (std::size_t spare = run; spare <= p.afterGaps.size(); ++spare) {
        if (runSeries(p, spare).count() > 0) runSeries(p, spare).clear();
    }

    double low = 0.0;
    double high = 1.0;
    if (!trace_.visible.empty()) {
        low = trace_.visible.min;
        high = trace_.visible.max;
        const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(low) * 0.05, 0.05);
        // Readings that never go below zero keep zero as the floor instead of a negative tick.
        low = low >= 0 && low - pad < 0 ? 0.0 : low - pad;
        high += pad;
    }
    p.values->setRange(low, high);
    p.values->applyNiceNumbers();
    p.values->setLabelFormat(labelFormat(p.values->min(), p.values->max(), p.values->tickCount()));
}

void ChartStack::showCursor(double seconds) {
    cursorSeconds_ = seconds;
    const bool visible = std::isfinite(seconds) && seconds >= viewRange_.from() && seconds <= viewRange_.to();
    for (Panel& p : panels_) {
        if (!visible) {
            p.cursor->hide();
            continue;
        }
        const QRectF area = p.chart->plotArea();
        const double x = p.chart->mapToPosition(QPointF(seconds, p.values->min()), p.series).x();
        p.cursor->setLine(x, area.top(), x, area.bottom());
        p.cursor->show();
    }
}

void ChartStack::layOutPlotAreas() {
    // Explicit plot areas with one left edge for all three, whatever each chart's labels need,
    // so one time lines up across the stack. The gutter fits the widest value label.
    int labelWidth = 0;
    for (const Panel& p : panels_) {
        const QFontMetrics metrics(p.values->labelsFont());
        const int ticks = std::max(p.values->tickCount(), 2);
        for (int i = 0; i < ticks; ++i) {
            const double value = p.values->min() + (p.values->max() - p.values->min()) * i / (ticks - 1);
            labelWidth = std::max(labelWidth, metrics.horizontalAdvance(QString::asprintf(qPrintable(p.values->labelFormat()), value)));
        }
    }
    const Panel& bottom = panel(Quantity::Watts);
    const int titleHeight = QFontMetrics(bottom.values->titleFont()).height();
    const int timeHeight = QFontMetrics(bottom.time->labelsFont()).height() + QFontMetrics(bottom.time->titleFont()).height();
    const int left = kGutter.left() + titleHeight + labelWidth + 2 * kLabelPadding;
    for (Panel& p : panels_) {
        const QSizeF size = p.chart->size();
        const int bottomGutter = &p == &bottom ? kGutter.bottom() + timeHeight + 2 * kLabelPadding : kGutter.bottom();
        p.chart->setPlotArea(QRectF(left, kGutter.top(), std::max(1.0, size.width() - left - kGutter.right()),
                                    std::max(1.0, size.height() - kGutter.top() - bottomGutter)));
    }
}

}  // namespace vemtora::plot
