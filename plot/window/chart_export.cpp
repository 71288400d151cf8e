#include "chart_export.h"

#include <QPainter>
#include <QSvgGenerator>

#include "chart_stack.h"

namespace vemtora::plot {

bool exportPng(ChartStack& stack, const QString& path) { return stack.grab().save(path, "PNG"); }

bool exportSvg(ChartStack& stack, const QString& path, const QString& title) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(stack.size());
    svg.setViewBox(QRect(QPoint(0, 0), stack.size()));
    svg.setTitle(title);
    svg.setDescription(QStringLiteral("Volts, amperes and watts from a Vemtora log"));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    // Each chart's scene as vectors; grabbing the widgets would give pixels.
    for (Quantity quantity : kQuantities) {
        TimeChartView& view = stack.view(quantity);
        view.scene()->render(&painter, QRectF(view.geometry()),
                             view.mapToScene(view.viewport()->rect()).boundingRect());
    }
    for (QLabel* label : {&stack.caption(), &stack.statistics()}) {
        if (label->isVisible()) label->render(&painter, label->pos(), QRegion(), QWidget::DrawChildren);
    }
    return painter.end();
}

}  // namespace vemtora::plot
