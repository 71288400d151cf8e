#include "chart_stack.h"

#include <QEvent>
#include <QFontMetrics>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>

#include <cmath>
#include <limits>

#include "plot/series/clock_pieces.h"
#include "plot/series/selection_text.h"
#include "plot/series/statistics.h"
#include "plot/series/statistics_text.h"
#include "plot/series/time_axis.h"
#include "plot/series/value_ticks.h"

namespace vemtora::plot {

namespace {

constexpr QMargins kGutter(6, 8, 28, 6);  // around the plot areas; room on the right for half the last time label
constexpr int kLabelPadding = 6;

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

// The ticks' own decimals; scientific for huge or tiny magnitudes.
QString labelFormat(const ValueTicks& ticks) {
    const double magnitude = std::max(std::abs(ticks.low), std::abs(ticks.high));
    if (magnitude >= 1e7 || ticks.step < 1e-4) return QStringLiteral("%.3g");
    return QStringLiteral("%.%1f").arg(ticks.decimals);
}

// Qt Charts shortens a value label to "..." unless its share of the axis' height holds the text
// and padding above and below it.
constexpr int kValueLabelPadding = 7;

}  // namespace

ChartStack::ChartStack(const SampleStore& store, ViewRange& view, QWidget* parent)
    : QWidget(parent),
      store_(store),
      viewRange_(view),
      cursorSeconds_(std::numeric_limits<double>::quiet_NaN()),
      selectionFrom_(std::numeric_limits<double>::quiet_NaN()),
      selectionTo_(std::numeric_limits<double>::quiet_NaN()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    slideTimer_.setSingleShot(true);
    connect(&slideTimer_, &QTimer::timeout, this, &ChartStack::refresh);
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
    selection_ = new QLabel(this);
    selection_->setContentsMargins(8, 2, 8, 4);
    selection_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    selection_->setWordWrap(true);
    selection_->hide();
    layout->addWidget(selection_);
    applyPalette();
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
    p.values->setTickType(QValueAxis::TicksDynamic);
    p.values->setTitleText(QString::fromLatin1(look.title));
    p.chart->addAxis(p.values, Qt::AlignLeft);
    p.series->attachAxis(p.values);

    p.cursor = new QGraphicsLineItem(p.chart);
    p.cursor->setZValue(100);
    p.cursor->hide();
    p.selected = new QGraphicsRectItem(p.chart);
    p.selected->setPen(Qt::NoPen);
    p.selected->setZValue(90);
    p.selected->hide();
    for (auto& edge : p.edges) {
        edge = new QGraphicsLineItem(p.chart);
        edge->setZValue(95);
        edge->hide();
    }

    p.view = new TimeChartView(p.chart, this);
    // Room for the fewest value labels the axis may show, whatever the window's size.
    p.view->setMinimumHeight(kGutter.top() + kGutter.bottom() + kFewestValueTicks * valueTickRoom(p) +
                             (quantity == Quantity::Watts ? timeGutter() : 0));
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
        fitValues();
    });
    connect(p.view, &TimeChartView::valueZoomRequested, this,
            [this, &p](double factor, double anchor) { zoomValues(p, factor, anchor); });
    connect(p.view, &TimeChartView::valuePanRequested, this, [this, &p](double fraction) { panValues(p, fraction); });
    connect(p.view, &TimeChartView::hovered, this, &ChartStack::hovered);
    connect(p.view, &TimeChartView::selectionDragged, this, &ChartStack::selectionDragged);
    connect(p.view, &TimeChartView::clicked, this, &ChartStack::clicked);
    connect(p.view, &TimeChartView::resized, this, &ChartStack::refresh);
}

void ChartStack::setDated(bool dated) {
    if (dated == dated_) return;
    dated_ = dated;
    drawTimeAxes();
}

int ChartStack::columns() const {
    return std::max(1, static_cast<int>(panel(Quantity::Watts).chart->plotArea().width()));
}

void ChartStack::refresh() {
    slideTimer_.stop();
    lastRefresh_.start();
    // Values first: their labels decide the gutter, the gutter the number of pixel columns.
    const int columnsBefore = columns();
    for (Quantity quantity : kQuantities) drawValues(panels_[static_cast<std::size_t>(quantity)], quantity);
    layOutPlotAreas();
    // The heights now final, as many value labels as they hold; their width may move the gutter.
    for (Panel& p : panels_) setValueAxis(p, p.visible);
    layOutPlotAreas();
    if (columns() != columnsBefore) {
        for (Quantity quantity : kQuantities) drawValues(panels_[static_cast<std::size_t>(quantity)], quantity);
    }
    drawTimeAxes();
    drawMarks();
    showStatistics();
    drawSelection();
    showCursor(cursorSeconds_);
    const auto gaps = store_.gapStarts();
    drawn_ = {viewRange_.from(),       viewRange_.to(), columns(),
              store_.size(),           gaps.size(),     gaps.empty() ? 0 : gaps.back(),
              store_.segments().size()};
    emit viewChanged();
}

void ChartStack::samplesAppended() {
    if (!appendedSamplesInvisible()) {
        // A short span following a growing log slides a pixel or more with every line; once a
        // second is enough to watch it, and redrawing three charts each time costs far more.
        const double span = drawn_.to - drawn_.from;
        const bool slidOnly = drawn_.samples > 0 && store_.size() > drawn_.samples && viewRange_.from() > drawn_.from &&
                              std::abs(viewRange_.to() - viewRange_.from() - span) <= span * 1e-9 &&
                              columns() == drawn_.columns;
        if (!slidOnly || !lastRefresh_.isValid() || lastRefresh_.elapsed() >= kSlideMs) return refresh();
        // The statistics wait too: they tell what is drawn.
        if (!slideTimer_.isActive()) slideTimer_.start(static_cast<int>(kSlideMs - lastRefresh_.elapsed()));
        return;
    }
    showStatistics();
    if (hasSelection() && selectionTo_ >= drawn_.to) drawSelection();
}

bool ChartStack::appendedSamplesInvisible() const {
    if (drawn_.samples == 0 || store_.size() < drawn_.samples) return false;
    if (viewRange_.from() != drawn_.from || columns() != drawn_.columns || viewRange_.to() < drawn_.to) return false;
    const double pixel = (drawn_.to - drawn_.from) / drawn_.columns;
    if ((viewRange_.to() - drawn_.to) * 2 >= pixel) return false;
    // A gap opened, or one judged on too few lines closed again; a clock changed.
    const auto gaps = store_.gapStarts();
    if (gaps.size() != drawn_.gaps || (!gaps.empty() && gaps.back() != drawn_.lastGap)) return false;
    if (store_.segments().size() != drawn_.segments) return false;
    for (Quantity quantity : kQuantities) {
        const MinMax added = store_.pyramid(quantity).range(store_.values(quantity), drawn_.samples, store_.size());
        const MinMax& drawn = panel(quantity).lastColumn;
        if (!added.empty() && (drawn.empty() || added.min < drawn.min || added.max > drawn.max)) return false;
    }
    return true;
}

void ChartStack::showStatistics() {
    if (statisticsFixed_) return;
    const SampleSpan span = samplesInView(store_, viewRange_.from(), viewRange_.to());
    statistics_->setText(QString::fromStdString(statisticsLine(statisticsOf(store_, span.begin, span.end))));
}

void ChartStack::setStatisticsText(const QString& text) {
    statisticsFixed_ = true;
    statistics_->setText(text);
    statistics_->setVisible(!text.isEmpty());
}

void ChartStack::drawTimeAxes() {
    const double from = viewRange_.from();
    const double to = viewRange_.to();
    const Panel& bottom = panel(Quantity::Watts);
    const QFontMetricsF metrics(bottom.time->labelsFont());
    const TimeAxisRoom room{bottom.chart->plotArea().width(), [&metrics](const std::string& label) {
                                return metrics.horizontalAdvance(QString::fromStdString(label));
                            }};
    const std::vector<ClockPiece> pieces = clockPieces(store_, from, to);
    const TimeAxisText text = timeAxisText(from, to, room, dated_, pieces);
    const QString title = text.context.empty() ? QStringLiteral("Time")
                                               : QStringLiteral("Time (%1)").arg(QString::fromStdString(text.context));
    // A view that slides along with a growing log keeps its ticks for a while: Qt Charts makes
    // every label anew when they change, which costs more than all the rest of a redraw.
    const bool sameTicks = text.ticks == drawnTicks_ && title == drawnTitle_ && from > bottom.time->startValue();
    for (Panel& p : panels_) {
        p.time->setRange(from, to);
        if (sameTicks) continue;
        for (const QString& label : p.time->categoriesLabels()) p.time->remove(label);
        p.time->setStartValue(from);
        QSet<QString> used;
        for (const TimeTick& tick : text.ticks) {
            // A category axis takes each label once; ":10" comes back every minute, "09:00" every day.
            QString label = QString::fromStdString(tick.label);
            while (used.contains(label)) label += QChar(0x200B);
            used.insert(label);
            p.time->append(label, tick.seconds);
        }
        p.time->setTitleText(title);
    }
    drawnTicks_ = text.ticks;
    drawnTitle_ = title;
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

    p.visible = trace_.visible;
    setValueAxis(p, p.visible);
    const double from = viewRange_.to() - (viewRange_.to() - viewRange_.from()) / columns();
    const SampleSpan last = samplesInView(store_, from, viewRange_.to());
    p.lastColumn = store_.pyramid(quantity).range(store_.values(quantity), last.begin, last.end);
}

int ChartStack::valueTickRoom(const Panel& p) {
    return QFontMetrics(p.values->labelsFont()).height() + 2 * kValueLabelPadding;
}

int ChartStack::maxValueTicks(const Panel& p) const {
    return static_cast<int>(p.chart->plotArea().height()) / valueTickRoom(p);
}

int ChartStack::timeGutter() const {
    const Panel& bottom = panel(Quantity::Watts);
    return QFontMetrics(bottom.time->labelsFont()).height() + QFontMetrics(bottom.time->titleFont()).height() +
           2 * kLabelPadding;
}

void ChartStack::setValueAxis(Panel& p, const MinMax& visible) {
    if (p.fixedValues) {
        const auto [low, high] = *p.fixedValues;
        p.ticks = ticksWithin(low, high, maxValueTicks(p));
        if (p.values->tickInterval() != p.ticks.step) p.values->setTickInterval(p.ticks.step);
        if (p.values->tickAnchor() != p.ticks.low) p.values->setTickAnchor(p.ticks.low);
        if (p.values->min() != low || p.values->max() != high) p.values->setRange(low, high);
        const QString format = labelFormat(p.ticks);
        if (p.values->labelFormat() != format) p.values->setLabelFormat(format);
        return;
    }
    const ValueTicks ticks = valueTicks(visible.min, visible.max, maxValueTicks(p));
    p.ticks = ticks;
    // Half a label of room beyond the outer ticks: Qt Charts hides a label that sticks out of the plot area.
    const double height = p.chart->plotArea().height();
    const double padPixels = QFontMetrics(p.values->labelsFont()).height() / 2.0 + 2.0;
    const double pad = height > 2 * padPixels ? (ticks.high - ticks.low) * padPixels / (height - 2 * padPixels) : 0.0;
    // The step before the range: a wide range at the old, small step would be millions of ticks.
    if (p.values->tickInterval() != ticks.step) p.values->setTickInterval(ticks.step);
    if (p.values->tickAnchor() != ticks.low) p.values->setTickAnchor(ticks.low);
    if (p.values->min() != ticks.low - pad || p.values->max() != ticks.high + pad)
        p.values->setRange(ticks.low - pad, ticks.high + pad);
    const QString format = labelFormat(ticks);
    if (p.values->labelFormat() != format) p.values->setLabelFormat(format);
}

double ChartStack::xOf(const Panel& p, double seconds) const {
    return p.chart->mapToPosition(QPointF(seconds, p.values->min()), p.series).x();
}

bool ChartStack::hasSelection() const { return std::isfinite(selectionFrom_) && std::isfinite(selectionTo_); }

void ChartStack::showSelection(double from, double to) {
    selectionFrom_ = std::min(from, to);
    selectionTo_ = std::max(from, to);
    drawSelection();
}

void ChartStack::drawSelection() {
    const bool selected = hasSelection();
    selection_->setVisible(selected);
    if (selected) {
        selection_->setText(QString::fromStdString(selectionEdgesLine(store_, selectionFrom_, selectionTo_, dated_) +
                                                   "\n" +
                                                   selectionStatisticsLine(store_, selectionFrom_, selectionTo_)));
    }
    const double from = std::max(selectionFrom_, viewRange_.from());
    const double to = std::min(selectionTo_, viewRange_.to());
    for (Panel& p : panels_) {
        const QRectF area = p.chart->plotArea();
        p.selected->setVisible(selected && from <= to);
        if (p.selected->isVisible())
            p.selected->setRect(QRectF(QPointF(xOf(p, from), area.top()), QPointF(xOf(p, to), area.bottom())));
        for (std::size_t i = 0; i < p.edges.size(); ++i) {
            const double seconds = i == 0 ? selectionFrom_ : selectionTo_;
            const bool inView = selected && seconds >= viewRange_.from() && seconds <= viewRange_.to();
            p.edges[i]->setVisible(inView);
            if (inView) p.edges[i]->setLine(xOf(p, seconds), area.top(), xOf(p, seconds), area.bottom());
        }
    }
}

void ChartStack::setValueRange(Quantity quantity, double low, double high) {
    // Beyond these no reading lies, and narrower than this no axis can label.
    constexpr double kLargest = 1e12;
    if (!std::isfinite(low) || !std::isfinite(high) || std::abs(low) > kLargest || std::abs(high) > kLargest ||
        high - low < std::max(std::abs(high), std::abs(low)) * 1e-6 || high - low < 1e-6) {
        return;
    }
    panels_[static_cast<std::size_t>(quantity)].fixedValues = std::pair{low, high};
    refresh();
}

void ChartStack::fitValues() {
    for (Panel& p : panels_) p.fixedValues.reset();
    refresh();
}

void ChartStack::zoomValues(Panel& p, double factor, double anchor) {
    const double low = p.values->min(), high = p.values->max();
    if (!std::isfinite(anchor) || !(factor > 0)) return;
    anchor = std::clamp(anchor, low, high);
    setValueRange(static_cast<Quantity>(&p - panels_.data()), anchor - (anchor - low) * factor,
                  anchor + (high - anchor) * factor);
}

void ChartStack::panValues(Panel& p, double fraction) {
    const double low = p.values->min(), high = p.values->max();
    const double shift = (high - low) * fraction;
    setValueRange(static_cast<Quantity>(&p - panels_.data()), low + shift, high + shift);
}

void ChartStack::allowAnySize() {
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(0, 0);
    for (Panel& p : panels_) p.view->setMinimumSize(0, 0);
}

void ChartStack::drawMarks() {
    // A log whose clock jumps about all day would bury the charts under marks.
    constexpr std::size_t kMostMarks = 64;
    std::vector<ClockMark> marks = clockMarks(store_, viewRange_.from(), viewRange_.to());
    if (marks.size() > kMostMarks) marks.resize(kMostMarks);
    const QColor ink = palette().color(QPalette::Text);
    for (Panel& p : panels_) {
        const QRectF area = p.chart->plotArea();
        const bool top = &p == &panels_.front();
        while (p.marks.size() < marks.size()) {
            auto* line = new QGraphicsLineItem(p.chart);
            line->setZValue(80);
            p.marks.push_back(line);
            auto* text = new QGraphicsSimpleTextItem(p.chart);
            text->setZValue(80);
            p.markTexts.push_back(text);
        }
        for (std::size_t i = 0; i < p.marks.size(); ++i) {
            const bool shown = i < marks.size();
            p.marks[i]->setVisible(shown);
            p.markTexts[i]->setVisible(shown && top);
            if (!shown) continue;
            const double x = xOf(p, marks[i].seconds);
            p.marks[i]->setPen(QPen(ink, 1, Qt::DashDotLine));
            p.marks[i]->setLine(x, area.top(), x, area.bottom());
            p.markTexts[i]->setBrush(ink);
            p.markTexts[i]->setText(QString::fromStdString(marks[i].text));
            p.markTexts[i]->setPos(x + 3, area.top() + 1);
        }
    }
}

void ChartStack::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) applyPalette();
}

// The charts draw themselves with the widget's palette, so a dark desktop gets light text.
void ChartStack::applyPalette() {
    const QPalette colors = palette();
    const bool dark = colors.color(QPalette::Base).lightness() < 128;
    const QColor text = colors.color(QPalette::Text);
    QColor grid = colors.color(QPalette::Mid);
    QColor shade = colors.color(QPalette::Highlight);
    shade.setAlpha(45);
    QColor faint = text;
    faint.setAlpha(110);
    for (Quantity quantity : kQuantities) {
        Panel& p = panels_[static_cast<std::size_t>(quantity)];
        // The traces' colours lightened on dark ground, where the dark ones would sink.
        const QColor color = dark ? lookOf(quantity).color.lighter(170) : lookOf(quantity).color;
        p.chart->setBackgroundBrush(colors.base());
        p.view->setBackgroundBrush(colors.base());
        p.chart->setBackgroundPen(Qt::NoPen);
        for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(p.values), static_cast<QAbstractAxis*>(p.time)}) {
            axis->setLabelsBrush(text);
            axis->setLinePenColor(grid);
            axis->setGridLineColor(grid);
        }
        p.time->setTitleBrush(text);
        p.values->setTitleBrush(color);
        QPen trace = p.series->pen();
        trace.setColor(color);
        p.series->setPen(trace);
        for (QLineSeries* run : p.afterGaps) run->setPen(trace);
        p.cursor->setPen(QPen(faint, 1, Qt::DashLine));
        p.selected->setBrush(shade);
        for (QGraphicsLineItem* edge : p.edges) edge->setPen(QPen(colors.color(QPalette::Highlight), 1.5));
    }
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
        for (int i = 0; i < p.ticks.count; ++i) {
            const double value = p.ticks.low + p.ticks.step * i;
            labelWidth = std::max(
                labelWidth, metrics.horizontalAdvance(QString::asprintf(qPrintable(p.values->labelFormat()), value)));
        }
    }
    const Panel& bottom = panel(Quantity::Watts);
    const int titleHeight = QFontMetrics(bottom.values->titleFont()).height();
    const int left = kGutter.left() + titleHeight + labelWidth + 2 * kLabelPadding;
    for (Panel& p : panels_) {
        const QSizeF size = p.chart->size();
        const int bottomGutter = &p == &bottom ? kGutter.bottom() + timeGutter() : kGutter.bottom();
        const QRectF area(left, kGutter.top(), std::max(1.0, size.width() - left - kGutter.right()),
                          std::max(1.0, size.height() - kGutter.top() - bottomGutter));
        if (area != p.chart->plotArea()) p.chart->setPlotArea(area);
    }
}

}  // namespace vemtora::plot
