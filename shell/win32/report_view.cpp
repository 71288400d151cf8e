#include "shell/win32/report_view.h"

namespace vemtora {

namespace {

HFONT createGothicFont(int height) {
    return CreateFontW(height, 0, 0, 0, 0, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳゴシック");
}

void drawText(HDC dc, const RECT& client, HFONT font, const WindowText& text, UINT format) {
    SelectObject(dc, font);
    RECT area = client;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.length()), &area, format);
}

}  // namespace

ReportFonts createReportFonts() {
    return {createGothicFont(20), createGothicFont(40), createGothicFont(15)};
}

void paintReportTexts(HDC dc, const RECT& client, const ReportTexts& texts, const ReportFonts& fonts) {
    drawText(dc, client, fonts.time, texts.timeText, DT_SINGLELINE | DT_LEFT | DT_TOP);
    // Multi-line: the text's CR LF starts the totals line.
    drawText(dc, client, fonts.measurement, texts.measurementText, DT_RIGHT | DT_TOP);
    drawText(dc, client, fonts.status, texts.statusText, DT_SINGLELINE | DT_LEFT | DT_BOTTOM);
}

}  // namespace vemtora
