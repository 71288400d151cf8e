// The three fonts of the window and the painting of the three report texts with them.
#pragma once

#include <windows.h>

#include "core/report_texts.h"

namespace vemtora {

struct ReportFonts {
    HFONT time = nullptr;
    HFONT measurement = nullptr;
    HFONT status = nullptr;
};

// Created once per window and never deleted: they end with the process. Their face: see
// chooseReportFont().
ReportFonts createReportFonts();

// Clock at the top left, averages right-aligned from the top, status line at the bottom left.
void paintReportTexts(HDC dc, const RECT& client, const ReportTexts& texts, const ReportFonts& fonts);

}  // namespace vemtora
