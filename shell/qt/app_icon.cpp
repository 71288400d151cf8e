#include "app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace vemtora {

namespace {

// Same picture and colours as the Windows edition's icon file.
const QColor kBackground(31, 78, 121);
const QColor kDial(236, 240, 243);
const QColor kNeedle(204, 32, 32);
const QColor kTrace(20, 20, 20);

QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size, size);  // draw in unit coordinates, y down
    p.setPen(Qt::NoPen);
    p.setBrush(kBackground);
    p.drawRoundedRect(QRectF(0, 0, 1, 1), 0.18, 0.18);

    const QPointF centre(0.5, 0.66);
    QPainterPath dial;
    dial.moveTo(centre);
    dial.arcTo(QRectF(centre.x() - 0.38, centre.y() - 0.38, 0.76, 0.76), 0, 180);
    dial.closeSubpath();
    p.setBrush(kDial);
    p.drawPath(dial);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kTrace, 0.03));
    p.drawArc(QRectF(centre.x() - 0.325, centre.y() - 0.325, 0.65, 0.65), 0, 180 * 16);

    const double angle = 55.0 * std::numbers::pi / 180.0;
    p.setPen(QPen(kNeedle, 0.07, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(0.36 * std::cos(angle), -0.36 * std::sin(angle)));

    QPainterPath wave;
    for (int i = 0; i <= 36; ++i) {
        const double x = 0.14 + 0.72 * i / 36.0;
        const double y = 0.80 + 0.06 * std::sin((x - 0.15) * 2 * std::numbers::pi * 1.5);
        i == 0 ? wave.moveTo(x, y) : wave.lineTo(x, y);
    }
    p.setPen(QPen(kDial, 0.07, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave);
    return pixmap;
}

}  // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(drawIcon(size));
    return icon;
}

}  // namespace vemtora
