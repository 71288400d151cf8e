#include "laid_out_text.h"

#include <QFontMetricsF>
#include <QTextLine>
#include <QtMath>

#include <algorithm>
#include <string_view>

namespace vemtora {

namespace {

// Antialiased glyphs may reach a pixel or two past the sides of the box the metrics give; above
// and below, ascent and descent hold them, so a changed line leaves its neighbours alone.
constexpr int kInkMargin = 2;

// Wide enough that no line of the window wraps, as drawText lays out an unwrapped text.
constexpr qreal kUnwrapped = 0x01000000;

// The clock's and the averages' characters: lines of only these repaint just what changed.
constexpr const char* kNumericCharacters = "0123456789 .:+-";

}  // namespace

LaidOutText::LaidOutText(const QFont& font, int flags)
    : font_(font), flags_(flags), leading_(QFontMetricsF(font).leading()) {
    QTextOption option;
    option.setAlignment(Qt::AlignLeft);  // each line is placed below, as drawText places it
    option.setTextDirection(Qt::LeftToRight);
    layout_.setFont(font_);
    layout_.setTextOption(option);
    layout_.setCacheEnabled(true);  // shaped once, drawn many times
    advances_.fill(-1);
    const QFontMetricsF metrics(font_);
    for (const char c : std::string_view(kNumericCharacters)) {
        advances_[static_cast<unsigned char>(c)] = metrics.horizontalAdvance(QLatin1Char(c));
    }
}

// Digits and their signs are glyphs of their own (no ligature, no combining mark), so a sum of
// advances says where each stands; cursorToX would say it too, at many times the cost.
std::vector<qreal> LaidOutText::numericEdges(const QString& text, qreal left) const {
    std::vector<qreal> edges;
    edges.reserve(static_cast<std::size_t>(text.size()) + 1);
    edges.push_back(left);
    for (const QChar c : text) {
        const qreal advance = c.unicode() < advances_.size() ? advances_[c.unicode()] : -1;
        if (advance < 0) return {};
        edges.push_back(edges.back() + advance);
    }
    return edges;
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
        if (c == u'\r' || (singleLine && c == u'\n'))
            c = u' ';
        else if (c == u'\n')
            c = QChar::LineSeparator;
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
        if (flags_ & Qt::AlignBottom)
            top += r.height() - height;
        else if (flags_ & Qt::AlignVCenter)
            top += (r.height() - height) / 2;
        qreal left = 0;
        if (flags_ & Qt::AlignRight)
            left = r.width() - width;
        else if (flags_ & Qt::AlignHCenter)
            left = (r.width() - width) / 2;
        box_ = QRectF(r.x() + left, top, width, height).toAlignedRect();

        for (int i = 0; i < layout_.lineCount(); ++i) {
            const QTextLine line = layout_.lineAt(i);
            qreal x = 0;
            if (flags_ & Qt::AlignRight)
                x = r.width() - line.horizontalAdvance();
            else if (flags_ & Qt::AlignHCenter)
                x = (r.width() - line.horizontalAdvance()) / 2;
            const QPointF origin(r.x() + x, top);
            const QRect ink = QRectF(origin + line.position(), QSizeF(line.naturalTextWidth(), line.height()))
                                  .toAlignedRect()
                                  .adjusted(-kInkMargin, 0, kInkMargin, 0);
            QString lineText = shown.mid(line.textStart(), line.textLength());
            std::vector<qreal> edges = numericEdges(lineText, origin.x() + line.cursorToX(line.textStart()));
            // Kerned or shaped otherwise: the sum of the advances is not where the line ends.
            if (!edges.empty() && edges.back() != origin.x() + line.cursorToX(line.textStart() + line.textLength())) {
                edges.clear();
            }
            lines_.push_back({std::move(lineText), origin, ink, std::move(edges)});
        }
    }

    QRegion changed;
    for (std::size_t i = 0; i < std::max(before.size(), lines_.size()); ++i) {
        const Line* was = i < before.size() ? &before[i] : nullptr;
        const Line* now = i < lines_.size() ? &lines_[i] : nullptr;
        if (was && now && was->text == now->text && was->origin == now->origin && was->ink == now->ink) continue;
        if (was && now) {
            const QRect stretch = changedStretch(*was, *now);
            if (!stretch.isNull()) {
                changed += stretch;
                continue;
            }
        }
        if (was) changed += was->ink;
        if (now) changed += now->ink;
    }
    return changed;
}

// Characters at the start or end that are the same and stand exactly where they stood are the
// same pixels; between them the glyphs differ, plus the ink margin either side. A null
// rectangle when the line moved up or down, or is not all digits and their signs.
QRect LaidOutText::changedStretch(const Line& was, const Line& now) {
    if (was.edges.empty() || now.edges.empty()) return {};
    if (was.origin.y() != now.origin.y() || was.ink.top() != now.ink.top() || was.ink.bottom() != now.ink.bottom()) {
        return {};
    }
    const std::size_t shorter = std::min(was.text.size(), now.text.size());
    std::size_t head = 0;  // characters kept at the start, in place
    while (head < shorter && was.text[head] == now.text[head] && was.edges[head + 1] == now.edges[head + 1]) ++head;
    if (was.edges[0] != now.edges[0]) head = 0;
    std::size_t tail = 0;  // characters kept at the end, in place
    while (tail < shorter - head && was.text[was.text.size() - 1 - tail] == now.text[now.text.size() - 1 - tail] &&
           was.edges[was.edges.size() - 2 - tail] == now.edges[now.edges.size() - 2 - tail]) {
        ++tail;
    }
    if (was.edges.back() != now.edges.back()) tail = 0;
    const auto firstChanged = [head](const Line& line) {
        return head == 0 ? line.ink.left() : qFloor(line.edges[head]) - kInkMargin;
    };
    const auto lastChanged = [tail](const Line& line) {
        return tail == 0 ? line.ink.right() : qCeil(line.edges[line.edges.size() - 1 - tail]) + kInkMargin;
    };
    const int left = std::min(firstChanged(was), firstChanged(now));
    const int right = std::max(lastChanged(was), lastChanged(now));
    return QRect(QPoint(left, now.ink.top()), QPoint(right, now.ink.bottom()));
}

void LaidOutText::draw(QPainter& painter, const QRegion& region) const {
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        if (region.intersects(lines_[i].ink)) layout_.lineAt(i).draw(&painter, lines_[i].origin);
    }
}

}  // namespace vemtora
