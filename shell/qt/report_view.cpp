#include "report_view.h"

#include <QPaintEvent>
#include <QPainter>

namespace vemtora {

ReportView::ReportView(const ReportTexts& texts, QWidget* parent)
    : QWidget(parent),
      texts_(texts),
      fonts_(makeReportFonts()),
      shown_{{{&ReportTexts::timeText, {}, {fonts_.time, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine}},
              {&ReportTexts::measurementText, {}, {fonts_.measurement, Qt::AlignRight | Qt::AlignTop}},
              {&ReportTexts::statusText, {}, {fonts_.status, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine}}}} {
    setAutoFillBackground(true);  // every repaint starts from an erased background
    // A window's own background (white by default), not the grey of dialogs and panels.
    setBackgroundRole(QPalette::Base);
}

QString toDisplayText(std::wstring_view text) {
    QString result = QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

void ReportView::refresh() {
    QRegion changed;
    for (ShownText& shown : shown_) {
        const std::wstring_view now = (texts_.*shown.source).view();
        if (now == shown.from) continue;
        shown.from = now;
        changed += shown.laidOut.lay(toDisplayText(now), rect());
    }
    if (!changed.isEmpty()) update(changed & rect());
}

void ReportView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Qt repaints the whole area after a resize: only the places need making again.
    for (ShownText& shown : shown_) shown.laidOut.lay(shown.laidOut.text(), rect());
}

void ReportView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // The averages' second line peeks out at the bottom of a small window: beside the status
    // line, never over it.
    const LaidOutText& status = shown_[2].laidOut;
    const QRegion statusArea =
        status.text().isEmpty() ? QRegion() : QRegion(status.box().adjusted(-2, 0, kStatusLineHeight / 2, 0));
    for (const ShownText& shown : shown_) {
        const QRegion region = &shown == &shown_[2] ? event->region() : event->region() - statusArea;
        painter.setClipRegion(region);
        shown.laidOut.draw(painter, region);
    }
}

}  // namespace vemtora
