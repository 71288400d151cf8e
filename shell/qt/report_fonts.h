// The three fonts of the window's texts, chosen by line height in pixels.
#pragma once

#include <QFont>
#include <QString>

namespace vemtora {

inline constexpr int kTimeLineHeight = 20;
inline constexpr int kMeasurementLineHeight = 40;
inline constexpr int kStatusLineHeight = 15;

struct ReportFonts {
    QFont time;
    QFont measurement;
    QFont status;
};

// A Japanese-capable monospace face when one is installed, else the system's fixed-width font.
QString reportFontFamily();

// The largest pixel size of the family whose line height does not exceed lineHeight.
QFont fontWithLineHeight(const QString& family, int lineHeight);

ReportFonts makeReportFonts();

}  // namespace vemtora
