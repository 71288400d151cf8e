// Picks the face of the window's fonts, so that its texts never show as boxes.
#include "shell/win32/report_font_choice.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace vemtora {

namespace {

// Every character the clock, averages and status line use.
constexpr wchar_t kTextCharacters[] = L"0123456789.: COMbpsecXfrSav";
constexpr int kTextCharacterCount = static_cast<int>(std::size(kTextCharacters) - 1);

// MS Gothic first, by the name the window always asked for, then by its English name; then the
// Japanese UI faces of newer Windows.
constexpr const wchar_t* kPreferredFaces[] = {L"ＭＳゴシック", L"MS Gothic", L"Yu Gothic UI", L"Meiryo UI",
                                              L"MS UI Gothic"};

LOGFONTW japaneseFont(const wchar_t* face) {
    LOGFONTW font{};
    font.lfWeight = FW_DONTCARE;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

int CALLBACK addFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM families) {
    // Vertical ('@') faces lay their glyphs on their side; raster ones do not scale to 40 pixels;
    // a nameless one could not be asked for again.
    if (font->lfFaceName[0] != L'@' && font->lfFaceName[0] != 0 && (type & RASTER_FONTTYPE) == 0) {
        reinterpret_cast<std::vector<std::wstring>*>(families)->push_back(font->lfFaceName);
    }
    return 1;
}

// The Japanese families installed under this name, or all of them for "". Wine counts a
// FontSubstitutes name as installed, so a prefix that maps MS Gothic to another face keeps it.
std::vector<std::wstring> japaneseFamilies(HDC dc, const wchar_t* name) {
    LOGFONTW font = japaneseFont(name);
    std::vector<std::wstring> families;
    EnumFontFamiliesExW(dc, &font, addFamily, reinterpret_cast<LPARAM>(&families), 0);
    return families;
}

// Asked for by name, a face may still lack Latin glyphs: Droid Sans Fallback has no digits.
bool showsTexts(HDC dc, const LOGFONTW& font) {
    const HFONT probe = CreateFontIndirectW(&font);
    const HGDIOBJ previous = SelectObject(dc, probe);
    WORD glyphs[kTextCharacterCount];
    const bool all = GetGlyphIndicesW(dc, kTextCharacters, kTextCharacterCount, glyphs, GGI_MARK_NONEXISTING_GLYPHS) ==
                         static_cast<DWORD>(kTextCharacterCount) &&
                     std::find(std::begin(glyphs), std::end(glyphs), 0xFFFF) == std::end(glyphs);
    SelectObject(dc, previous);
    DeleteObject(probe);
    return all;
}

std::optional<LOGFONTW> japaneseFace(HDC dc) {
    for (const wchar_t* face : kPreferredFaces) {
        if (!japaneseFamilies(dc, face).empty() && showsTexts(dc, japaneseFont(face))) return japaneseFont(face);
    }
    for (const std::wstring& face : japaneseFamilies(dc, L"")) {
        if (showsTexts(dc, japaneseFont(face.c_str()))) return japaneseFont(face.c_str());
    }
    return std::nullopt;
}

}  // namespace

LOGFONTW chooseReportFont() {
    const HDC dc = CreateCompatibleDC(nullptr);
    std::optional<LOGFONTW> chosen = japaneseFace(dc);
    DeleteDC(dc);
    if (chosen) return *chosen;
    // No Japanese face shows the texts: the system's own message font does.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return japaneseFont(kPreferredFaces[0]);
    }
    metrics.lfMessageFont.lfWidth = 0;
    return metrics.lfMessageFont;
}

}  // namespace vemtora
