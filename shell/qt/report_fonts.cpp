#include "report_fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>

namespace vemtora {

QString reportFontFamily() {
    // IPAGothic is the fixed-pitch one of the pair; IPAPGothic is proportional.
    for (const QString& family : {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")}) {
        if (QFontDatabase::hasFamily(family)) return family;
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

QFont fontWithLineHeight(const QString& family, int lineHeight) {
    // A pixel size sets the em, not the line: ascent plus descent is usually a little more.
    QFont font(family);
    font.setStyleHint(QFont::Monospace);
    for (int pixels = lineHeight; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= lineHeight) return font;
    }
    font.setPixelSize(1);
    return font;
}

ReportFonts makeReportFonts() {
    const QString family = reportFontFamily();
    return {fontWithLineHeight(family, kTimeLineHeight), fontWithLineHeight(family, kMeasurementLineHeight),
            fontWithLineHeight(family, kStatusLineHeight)};
}

}  // namespace vemtora
