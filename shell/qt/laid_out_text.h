// One of the window's texts, laid out once per change exactly as QPainter::drawText(area,
// flags, text) lays it out, so a paint only draws the glyphs and a change repaints only the
// lines it touched.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <QTextLayout>

#include <array>
#include <vector>

namespace vemtora {

class LaidOutText {
public:
    // flags: drawText's alignment flags, and Qt::TextSingleLine for a text of one line.
    LaidOutText(const QFont& font, int flags);

    // Lays `text` out in `area`; returns where the screen changes: the lines that changed,
    // where they were and where they are now. Of a line of digits that stayed in place, only the
    // stretch between its unchanged beginning and unchanged end (the clock's last digit) counts.
    QRegion lay(const QString& text, const QRect& area);

    // Draws the lines that reach into `region`.
    void draw(QPainter& painter, const QRegion& region) const;

    const QString& text() const { return text_; }
    // Where drawText would say the text is (its bounding rectangle).
    QRect box() const { return box_; }

private:
    struct Line {
        QString text;
        QPointF origin;            // where QTextLine::draw puts it
        QRect ink;                 // its box, with room for glyphs reaching past its sides
        std::vector<qreal> edges;  // where each character begins, and the last one ends; empty unless numeric
    };

    std::vector<qreal> numericEdges(const QString& text, qreal left) const;

    static QRect changedStretch(const Line& was, const Line& now);

    QFont font_;
    int flags_;
    qreal leading_;  // between lines, as drawText puts it
    QString text_;
    QRect box_;
    QTextLayout layout_;
    std::vector<Line> lines_;
    std::array<qreal, 128> advances_;  // of the numeric characters; -1 for any other
};

}  // namespace vemtora
