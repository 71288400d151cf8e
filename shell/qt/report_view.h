// The window's client area: the clock, the averages and the status line.
#pragma once

#include <QWidget>

#include <array>
#include <string>

#include "core/report_texts.h"
#include "laid_out_text.h"
#include "report_fonts.h"

namespace vemtora {

class ReportView : public QWidget {
    Q_OBJECT

public:
    ReportView(const ReportTexts& texts, QWidget* parent = nullptr);

    const ReportFonts& fonts() const { return fonts_; }

    // The report texts may have changed: repaints the lines that changed, and nothing else (a
    // tick changes the clock; the status line changes only with a command).
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct ShownText {
        const WindowText ReportTexts::*source;
        std::wstring from;  // the core's text it was last laid out from
        LaidOutText laidOut;
    };

    const ReportTexts& texts_;
    ReportFonts fonts_;
    std::array<ShownText, 3> shown_;
};

// The window text as Qt draws it: a "\r\n" pair (or a lone CR) becomes one line break.
QString toDisplayText(std::wstring_view text);

}  // namespace vemtora
