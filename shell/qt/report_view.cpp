#include "report_view.h"

#include <QPainter>

namespace vemtora {

ReportView::ReportView(const ReportTexts& texts, QWidget* parent)
    : QWidget(parent), texts_(texts), fonts_(makeReportFonts()) {
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

void ReportView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    painter.setFont(fonts_.time);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, toDisplayText(texts_.timeText.view()));
    painter.setFont(fonts_.measurement);
    painter.drawText(area, Qt::AlignRight | Qt::AlignTop, toDisplayText(texts_.measurementText.view()));
    painter.setFont(fonts_.status);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                     toDisplayText(texts_.statusText.view()));
}

}  // namespace vemtora
