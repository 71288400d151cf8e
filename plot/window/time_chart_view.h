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
    // Ctrl+wheel, or the wheel over the value labels; Ctrl+drag.
    void valueZoomRequested(double factor, double anchorValue);
    void valuePanRequested(double fractionOfSpan);
    void resetRequested();
    void hovered(double seconds);  // NaN when the mouse leaves
    // Shift+drag: from where the drag began to where the mouse is now.
    void selectionDragged(double fromSeconds, double toSeconds);
    void clicked();  // pressed and released without moving
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
    double valueAt(QPointF position) const;

    enum class Drag { None, Pan, Select, Values };
    Drag drag_ = Drag::None;
    bool moved_ = false;
    double lastDragX_ = 0.0;
    double lastDragY_ = 0.0;
    double selectionStart_ = 0.0;
};

}  // namespace vemtora::plot
