#include "laid_out_text.h"

#include <QFontMetricsF>
#include <QTextLine>
#include <QtMath>

#include <algorithm>

namespace vemtora {

namespace {

// Antialiased glyphs may reach a pixel or two past the sides of the box the metrics give; above
// and below, ascent and descent hold them, so a changed line leaves its neighbours alone.
constexpr int kInkMargin = 2;

// Wide enough that no line of the window wraps, as drawText lays out an unwrapped text.
constexpr qreal kUnwrapped = 0x01000000;

}  // namespace

LaidOutText::LaidOutText(const QFont& font, int flags)
    : font_(font), flags_(flags), leading_(QFontMetricsF(font).leading()) {
    QTextOption option;
    option.setAlignment(Qt::AlignLeft);  // each line is placed below, as drawText places it
    option.setTextDirection(Qt::LeftToRight);
    layout_.setFont(font_);
    layout_.setTextOption(option);
    layout_.setCacheEnabled(true);  // shaped once, drawn many times
}

QRegion LaidOutText::lay(const QString& text, const QRect& area) {
    std::vector<Line> before = std::move(lines_);
    lines_.clear();
    text_ = text;
    box_ = {};

    // drawText's own rules: a CR is a blank, and so is a line feed in a single-line text.
    QString shown = text;
    const bool singleLine = (flags_ & Qt::TextSingleLine) != 0;
    for (QChar& c : shown) {
        if (c == u'\r' || (singleLine && c == u'\n')) c = u' ';
        else if (c == u'\n') c = QChar::LineSeparator;
    }
    layout_.clearLayout();
    layout_.setText(shown);
    if (!shown.isEmpty()) {
        qreal height = -leading_;
        qreal width = 0;
        layout_.beginLayout();
        for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
            line.setLineWidth(kUnwrapped);
            height = qCeil(height + leading_);  // lines on whole pixels
            line.setPosition(QPointF(0, height));
            height += line.ascent() + line.descent();
            width = std::max(width, line.naturalTextWidth());
        }
        layout_.endLayout();

        const QRectF r(area);
        qreal top = r.y();
        if (flags_ & Qt::AlignBottom) top += r.height() - height;
        else if (flags_ & Qt::AlignVCenter) top += (r.height() - height) / 2;
        qreal left = 0;
        if (flags_ & Qt::AlignRight) left = r.width() - width;
        else if (flags_ & Qt::AlignHCenter) left = (r.width() - width) / 2;
        box_ = QRectF(r.x() + left, top, width, height).toAlignedRect();

        for (int i = 0; i < layout_.lineCount(); ++i) {
            const QTextLine line = layout_.lineAt(i);
            qreal x = 0;
            if (flags_ & Qt::AlignRight) x = r.width() - line.horizontalAdvance();
            else if (flags_ & Qt::AlignHCenter) x = (r.width() - line.horizontalAdvance()) / 2;
            const QPointF origin(r.x() + x, top);
            const QRect ink = QRectF(origin + line.position(), QSizeF(line.naturalTextWidth(), line.height()))
                                  .toAlignedRect()
                                  .adjusted(-kInkMargin, 0, kInkMargin, 0);
            lines_.push_back({shown.mid(line.textStart(), line.textLength()), origin, ink});
        }
    }

    QRegion changed;
    for (std::size_t i = 0; i < std::max(before.size(), lines_.size()); ++i) {
        const Line* was = i < before.size() ? &before[i] : nullptr;
        const Line* now = i < lines_.size() ? &lines_[i] : nullptr;
        if (was && now && was->text == now->text && was->origin == now->origin && was->ink == now->ink) continue;
        if (was) changed += was->ink;
        if (now) changed += now->ink;
    }
    return changed;
}

void LaidOutText::draw(QPainter& painter, const QRegion& region) const {
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        if (region.intersects(lines_[i].ink)) layout_.lineAt(i).draw(&painter, lines_[i].origin);
    }
}

}  // namespace vemtora
