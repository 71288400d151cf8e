#include "shell/win32/report_view.h"

#include "shell/win32/report_font_choice.h"

namespace vemtora {

namespace {

HFONT createFont(LOGFONTW font, int height) {
    font.lfHeight = height;
    return CreateFontIndirectW(&font);
}

void drawText(HDC dc, const RECT& client, HFONT font, const WindowText& text, UINT format) {
    SelectObject(dc, font);
    RECT area = client;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.length()), &area, format);
}

}  // namespace

ReportFonts createReportFonts() {
    const LOGFONTW font = chooseReportFont();
    return {createFont(font, 20), createFont(font, 40), createFont(font, 15)};
}

void paintReportTexts(HDC dc, const RECT& client, const ReportTexts& texts, const ReportFonts& fonts) {
    drawText(dc, client, fonts.time, texts.timeText, DT_SINGLELINE | DT_LEFT | DT_TOP);
    // Multi-line: the text's CR LF starts the totals line, which in a small window peeks out at
    // the bottom beside the status line, kept half a line's height clear of it, never over it.
    SelectObject(dc, fonts.status);
    SIZE status{};
    GetTextExtentPoint32W(dc, texts.statusText.c_str(), static_cast<int>(texts.statusText.length()), &status);
    SaveDC(dc);
    ExcludeClipRect(dc, client.left, client.bottom - status.cy, client.left + status.cx + status.cy / 2, client.bottom);
    drawText(dc, client, fonts.measurement, texts.measurementText, DT_RIGHT | DT_TOP);
    RestoreDC(dc, -1);
    drawText(dc, client, fonts.status, texts.statusText, DT_SINGLELINE | DT_LEFT | DT_BOTTOM);
}

}  // namespace vemtora
