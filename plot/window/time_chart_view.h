// One chart of the stack, turning the mouse into requests on the shared time axis.
#pragma once

#include <QChartView>

namespace vemtora::plot {

class TimeChartView : public QChartView {
    Q_OBJECT

public:
    explicit TimeChartView(QChart* chart, QWidget* parent = nullptr);

signals:
    void zoomRequested(double factor, double anchorSeconds);
    void panRequested(double fractionOfSpan);
    void resetRequested();
    void hovered(double seconds);  // NaN when the mouse leaves
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    double secondsAt(QPointF position) const;

    bool dragging_ = false;
    double lastDragX_ = 0.0;
};

}  // namespace vemtora::plot
