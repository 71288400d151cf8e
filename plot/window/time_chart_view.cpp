#include "time_chart_view.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>
#include <limits>

namespace vemtora::plot {

namespace {
constexpr double kZoomPerWheelStep = 0.8;  // one notch shows 80 % of the span
}

TimeChartView::TimeChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setRenderHint(QPainter::Antialiasing);
    setMouseTracking(true);
    setDragMode(QGraphicsView::NoDrag);
    setRubberBand(QChartView::NoRubberBand);
    setFocusPolicy(Qt::NoFocus);  // keys belong to the window's actions
}

double TimeChartView::secondsAt(QPointF position) const {
    return chart()->mapToValue(chart()->mapFromScene(mapToScene(position.toPoint()))).x();
}

double TimeChartView::valueAt(QPointF position) const {
    return chart()->mapToValue(chart()->mapFromScene(mapToScene(position.toPoint()))).y();
}

void TimeChartView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);  // resizes the chart first
    emit resized();
}

void TimeChartView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0) return;
    const double factor = std::pow(kZoomPerWheelStep, steps / 120.0);
    const QPointF inChart = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    if (event->modifiers() & Qt::ControlModifier || inChart.x() < chart()->plotArea().left()) {
        emit valueZoomRequested(factor, valueAt(event->position()));
    } else {
        emit zoomRequested(factor, secondsAt(event->position()));
    }
    event->accept();
}

void TimeChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QChartView::mousePressEvent(event);
    drag_ = event->modifiers() & Qt::ShiftModifier     ? Drag::Select
            : event->modifiers() & Qt::ControlModifier ? Drag::Values
                                                       : Drag::Pan;
    moved_ = false;
    lastDragX_ = event->position().x();
    lastDragY_ = event->position().y();
    selectionStart_ = secondsAt(event->position());
    setCursor(drag_ == Drag::Select   ? Qt::SizeHorCursor
              : drag_ == Drag::Values ? Qt::SizeVerCursor
                                      : Qt::ClosedHandCursor);
    event->accept();
}

void TimeChartView::mouseMoveEvent(QMouseEvent* event) {
    const double moved = event->position().x() - lastDragX_;
    if (drag_ != Drag::None && (moved != 0 || (drag_ == Drag::Values && event->position().y() != lastDragY_)))
        moved_ = true;
    if (drag_ == Drag::Pan) {
        const double width = chart()->plotArea().width();
        lastDragX_ = event->position().x();
        // The grabbed time stays under the mouse: dragging right shows earlier times.
        if (width > 0) emit panRequested(-moved / width);
    } else if (drag_ == Drag::Values) {
        const double height = chart()->plotArea().height();
        const double movedDown = event->position().y() - lastDragY_;
        lastDragY_ = event->position().y();
        // The grabbed value stays under the mouse: dragging down shows higher values.
        if (height > 0 && movedDown != 0) emit valuePanRequested(movedDown / height);
    } else if (drag_ == Drag::Select && moved_) {
        emit selectionDragged(selectionStart_, secondsAt(event->position()));
    }
    emit hovered(secondsAt(event->position()));
    event->accept();
}

void TimeChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QChartView::mouseReleaseEvent(event);
    const bool click = drag_ != Drag::None && !moved_ && event->position().x() == lastDragX_;
    drag_ = Drag::None;
    unsetCursor();
    if (click) emit clicked();
    event->accept();
}

void TimeChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    emit resetRequested();
    event->accept();
}

void TimeChartView::leaveEvent(QEvent* event) {
    emit hovered(std::numeric_limits<double>::quiet_NaN());
    QChartView::leaveEvent(event);
}

}  // namespace vemtora::plot
