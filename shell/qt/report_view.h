// The window's client area: the clock, the averages and the status line.
#pragma once

#include <QWidget>

#include "core/report_texts.h"
#include "report_fonts.h"

namespace vemtora {

class ReportView : public QWidget {
    Q_OBJECT

public:
    ReportView(const ReportTexts& texts, QWidget* parent = nullptr);

    const ReportFonts& fonts() const { return fonts_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ReportTexts& texts_;
    ReportFonts fonts_;
};

// The window text as Qt draws it: a "\r\n" pair (or a lone CR) becomes one line break.
QString toDisplayText(std::wstring_view text);

}  // namespace vemtora
