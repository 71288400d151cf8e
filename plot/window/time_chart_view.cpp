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

void TimeChartView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);  // resizes the chart first
    emit resized();
}

void TimeChartView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0) return;
    emit zoomRequested(std::pow(kZoomPerWheelStep, steps / 120.0), secondsAt(event->position()));
    event->accept();
}

void TimeChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QChartView::mousePressEvent(event);
    drag_ = event->modifiers() & Qt::ShiftModifier ? Drag::Select : Drag::Pan;
    moved_ = false;
    lastDragX_ = event->position().x();
    selectionStart_ = secondsAt(event->position());
    setCursor(drag_ == Drag::Select ? Qt::SizeHorCursor : Qt::ClosedHandCursor);
    event->accept();
}

void TimeChartView::mouseMoveEvent(QMouseEvent* event) {
    const double moved = event->position().x() - lastDragX_;
    if (drag_ != Drag::None && moved != 0) moved_ = true;
    if (drag_ == Drag::Pan) {
        const double width = chart()->plotArea().width();
        lastDragX_ = event->position().x();
        // The grabbed time stays under the mouse: dragging right shows earlier times.
        if (width > 0) emit panRequested(-moved / width);
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
