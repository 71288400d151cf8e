// The main window as a person meets it: its three texts in their fonts and places (DrawTextW
// watched through ImportHook and passed on to Wine unchanged), its polls and reports as they
// come in real time, and the entry point's reading of the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "core/acquisition_settings.h"
#include "import_hook.h"
#include "shell/win32/report_view.h"
#include "tests/support/fakes.h"
#include "ui_driver.h"
#include "window_harness.h"

namespace vemtora {
namespace {

using test::ImportHook;
using test::pumpMessages;
using test::WindowUnderTest;

constexpr std::string_view kFrame = "a1000\t200\t10z";

// A meter that always has one more frame waiting.
class SteadyMeter final : public SerialLink {
public:
    bool open(std::wstring_view, std::int32_t) override { return true; }
    std::size_t poll(ReceiveBuffer& buffer) override {
        kFrame.copy(buffer.data(), kFrame.size());
        return kFrame.size();
    }
    void close() override {}
};

// Every DrawTextW of the program: the text, the rectangle it was given, the font selected into
// the device context, the face that font really got and how many of the texts' characters it
// lacks, and where its pixels land (drawn once more, alike, on a bitmap).
struct DrawnText {
    std::wstring text;
    RECT area{};
    LOGFONTW font{};
    std::wstring face;
    int missingGlyphs = 0;
    RECT ink{};  // empty when nothing shows
};
std::vector<DrawnText> drawnTexts;
decltype(&DrawTextW) realDrawText = nullptr;

RECT inkOf(HDC source, HFONT font, LPCWSTR text, int length, const RECT& area, UINT format) {
    const int width = area.right, height = area.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, bitmap);
    SelectObject(dc, font);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    // The painter's own clipping holds on the copy too.
    const HRGN clip = CreateRectRgn(0, 0, 0, 0);
    if (GetClipRgn(source, clip) == 1) SelectClipRgn(dc, clip);
    DeleteObject(clip);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT copy = area;
    realDrawText(dc, text, length, &copy, format);
    GdiFlush();
    RECT ink{width, height, 0, 0};
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((pixels[y * width + x] & 0xFFFFFF) == 0xFFFFFF) continue;
            ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                   std::max<LONG>(ink.bottom, y + 1)};
        }
    }
    DeleteDC(dc);
    DeleteObject(bitmap);
    return ink.right > ink.left ? ink : RECT{};
}

int WINAPI recordDrawText(HDC dc, LPCWSTR text, int length, LPRECT area, UINT format) {
    DrawnText drawn;
    drawn.text.assign(text, length < 0 ? lstrlenW(text) : length);
    drawn.area = *area;
    const auto font = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    GetObjectW(font, sizeof drawn.font, &drawn.font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    drawn.face = face;
    const std::wstring characters = L"0123456789.: COMbpsecXfrSav";
    std::vector<WORD> glyphs(characters.size());
    GetGlyphIndicesW(dc, characters.c_str(), static_cast<int>(characters.size()), glyphs.data(),
                     GGI_MARK_NONEXISTING_GLYPHS);
    drawn.missingGlyphs = static_cast<int>(std::count(glyphs.begin(), glyphs.end(), 0xFFFF));
    if ((format & DT_CALCRECT) == 0) drawn.ink = inkOf(dc, font, text, length, *area, format);
    drawnTexts.push_back(drawn);
    return realDrawText(dc, text, length, area, format);
}

class WatchDrawText {
public:
    WatchDrawText() : hook_("user32.dll", "DrawTextW", recordDrawText) {
        realDrawText = hook_.original();
        drawnTexts.clear();
    }

private:
    ImportHook<decltype(&DrawTextW)> hook_;
};

const DrawnText* lastDrawn(const std::function<bool(const std::wstring&)>& which) {
    for (auto it = drawnTexts.rbegin(); it != drawnTexts.rend(); ++it) {
        if (which(it->text)) return &*it;
    }
    return nullptr;
}

bool isClock(const std::wstring& text) { return std::regex_match(text, std::wregex(LR"(\d\d:\d\d:\d\d\.\d)")); }
bool isAverages(const std::wstring& text) { return text.find(L"\r\n") != std::wstring::npos; }
bool isStatus(const std::wstring& text) { return text.rfind(L"COM", 0) == 0; }

struct TextRow {
    const char* what;
    bool (*which)(const std::wstring&);
    LONG height;
    const char* where;
    bool (*placed)(const RECT& ink, const RECT& area);
};

// Glyphs keep a few pixels of their cell clear, hence the small margins.
const std::vector<TextRow> kTexts = {
    {"clock", isClock, 20, "one line at the top left",
     [](const RECT& ink, const RECT& area) {
         return ink.left - area.left < 4 && ink.top - area.top < 6 && ink.bottom - area.top <= 20;
     }},
    {"averages", isAverages, 40, "right-aligned from the top, the totals on a second line",
     [](const RECT& ink, const RECT& area) {
         return area.right - ink.right < 8 && ink.top - area.top < 12 && ink.bottom - area.top > 50 &&
                ink.left - area.left > 100;
     }},
    {"status line", isStatus, 15, "one line at the bottom left",
     [](const RECT& ink, const RECT& area) {
         return ink.left - area.left < 4 && area.bottom - ink.bottom < 5 && area.bottom - ink.top <= 15;
     }},
};

// Set by the run in a prefix without the font mapping, where MS Gothic is not installed.
bool msGothicMissing() { return GetEnvironmentVariableW(L"VEMTORA_FONTS_UNMAPPED", nullptr, 0) != 0; }

TEST(MainWindowPaint, EachTextInItsFontAndPlace) {
    WatchDrawText watch;
    SteadyMeter meter;
    testing::FakeLogFile logFile;
    WindowUnderTest window(meter, logFile);
    // Taller than it opens, as a user makes it to see the totals line.
    SetWindowPos(window.handle(), nullptr, 0, 0, kWindowWidth, 200, SWP_NOMOVE | SWP_NOZORDER);
    window.command(CommandId::IntervalFirst, 0);  // 0.1 s
    window.command(CommandId::CollectStart);
    ASSERT_TRUE(pumpMessages([] { return lastDrawn(isAverages) && lastDrawn(isClock); }, std::chrono::seconds(10)))
        << "no averages painted";

    drawnTexts.clear();
    RedrawWindow(window.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    for (const TextRow& row : kTexts) {
        const DrawnText* drawn = lastDrawn(row.which);
        ASSERT_NE(drawn, nullptr) << row.what << " not painted";
        const LOGFONTW& font = drawn->font;
        EXPECT_EQ(font.lfHeight, row.height) << row.what;
        EXPECT_EQ(font.lfWidth, 0) << row.what;
        EXPECT_EQ(font.lfWeight, FW_DONTCARE) << row.what;
        EXPECT_EQ(font.lfItalic + font.lfUnderline + font.lfStrikeOut, 0) << row.what;
        EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET) << row.what;
        // MS Gothic where installed, else another Japanese face; either way one that has the glyphs.
        EXPECT_EQ(std::wstring(font.lfFaceName) == L"ＭＳゴシック", !msGothicMissing())
            << row.what << ": " << drawn->face;
        EXPECT_EQ(drawn->face, font.lfFaceName) << row.what << ": another face stood in";
        EXPECT_EQ(drawn->missingGlyphs, 0) << row.what << " in " << drawn->face;
        const RECT& ink = drawn->ink;
        EXPECT_TRUE(row.placed(ink, drawn->area))
            << row.what << " is not " << row.where << ": ink " << ink.left << "," << ink.top << " to " << ink.right
            << "," << ink.bottom << " in " << drawn->area.right << "x" << drawn->area.bottom;
    }
}

// At the size the window opens with, typical texts in the window's fonts: the totals line peeks
// out at the bottom, but no text's pixels reach into another's.
TEST(MainWindowPaint, AtTheFirstSizeNoTextCoversAnother) {
    SteadyMeter meter;
    testing::FakeLogFile logFile;
    WindowUnderTest window(meter, logFile);
    RECT client{};
    GetClientRect(window.handle(), &client);
    ReportTexts texts;
    texts.timeText.append("09:05:07.3");
    texts.measurementText.append("229.8 0.52 119.6\r\n2298.0 5.20 1196.0 10");
    texts.statusText.append("COM5 9600bps 0.5sec Xfer Save");
    WatchDrawText watch;
    const HDC dc = GetDC(window.handle());
    paintReportTexts(dc, client, texts, createReportFonts());
    ReleaseDC(window.handle(), dc);

    ASSERT_EQ(drawnTexts.size(), 3u);
    EXPECT_GT(drawnTexts[1].ink.bottom, 40) << "the totals line does not peek out";
    for (std::size_t i = 0; i < drawnTexts.size(); ++i) {
        const RECT& ink = drawnTexts[i].ink;
        EXPECT_FALSE(IsRectEmpty(&ink)) << drawnTexts[i].text << " does not show";
        for (std::size_t j = i + 1; j < drawnTexts.size(); ++j) {
            RECT overlap{};
            const RECT& other = drawnTexts[j].ink;
            EXPECT_FALSE(IntersectRect(&overlap, &ink, &other))
                << drawnTexts[i].text << " and " << drawnTexts[j].text << " overlap in " << client.right << "x"
                << client.bottom << ": " << ink.left << "," << ink.top << " to " << ink.right << "," << ink.bottom
                << " and " << other.left << "," << other.top << " to " << other.right << "," << other.bottom;
        }
    }
}

// A meter that always has one more frame waiting, counting the polls that reach it.
class CountingMeter final : public SerialLink {
public:
    bool open(std::wstring_view, std::int32_t) override { return true; }
    std::size_t poll(ReceiveBuffer& buffer) override {
        ++polls;
        kFrame.copy(buffer.data(), kFrame.size());
        return kFrame.size();
    }
    void close() override {}
    int polls = 0;
};

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Timers never come early, but the clocks read here and Wine's own may be a tick apart, and a
// tick handed over late on a busy machine shortens the gap to the next one that is not.
constexpr milliseconds kClockSlack{40};

// The window collecting and logging from a meter that never pauses: every report tick writes
// one log line, so the lines' arrival times are the report ticks as the user gets them.
class ReportWatch {
public:
    ReportWatch() {
        window_.command(CommandId::CollectStart);
        window_.command(CommandId::LogSave);
        EXPECT_TRUE(window_.controller().collecting() && window_.controller().logging());
    }

    void chooseInterval(std::int32_t intervalMs) {
        const auto index =
            std::find(kReportIntervalsMs.begin(), kReportIntervalsMs.end(), intervalMs) - kReportIntervalsMs.begin();
        window_.command(CommandId::IntervalFirst, static_cast<int>(index));
    }

    // The times of the reports that come within `span`, and of the first one after it when
    // untilOneMore (pumping on for at most `limit` more).
    std::vector<Clock::time_point> reports(milliseconds span, bool untilOneMore = false,
                                           milliseconds limit = milliseconds(0)) {
        std::vector<Clock::time_point> times;
        std::size_t seen = logFile_.lines.size();
        test::MessageWatch watch;
        watch.after = [&](const MSG&) {
            for (; seen < logFile_.lines.size(); ++seen) times.push_back(Clock::now());
        };
        const auto end = Clock::now() + span;
        pumpMessages([&] { return Clock::now() >= end && (!untilOneMore || !times.empty()); }, span + limit, watch);
        return times;
    }

    const CountingMeter& meter() const { return meter_; }

private:
    CountingMeter meter_;
    testing::FakeLogFile logFile_;
    WindowUnderTest window_{meter_, logFile_, {}, [] { return std::optional<std::wstring>(L"C:\\run.log"); }};
};

// The shortest and longest gap between consecutive times, in milliseconds.
std::pair<long long, long long> gaps(const std::vector<Clock::time_point>& times) {
    long long shortest = 1'000'000, longest = 0;
    for (std::size_t i = 1; i < times.size(); ++i) {
        const long long gap = std::chrono::duration_cast<milliseconds>(times[i] - times[i - 1]).count();
        shortest = std::min(shortest, gap);
        longest = std::max(longest, gap);
    }
    return {shortest, longest};
}

long long since(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<milliseconds>(to - from).count();
}

TEST(MainWindowTimers, PollsFortyTimesASecondAndReportsEveryHalfSecondFromTheStart) {
    const auto made = Clock::now();
    ReportWatch watch;
    const int pollsBefore = watch.meter().polls;
    const auto times = watch.reports(milliseconds(1600));
    const int polls = watch.meter().polls - pollsBefore;
    // 25 ms polls: about 64 in 1.6 s, on a machine that may be busy; never twice as many.
    EXPECT_GE(polls, 40);
    EXPECT_LE(polls, 70);
    ASSERT_GE(times.size(), 2u);
    EXPECT_LE(times.size(), 4u);
    EXPECT_GE(since(made, times.front()), 500 - kClockSlack.count()) << "the first report came early";
    const auto [shortest, longest] = gaps(times);
    EXPECT_GE(shortest, 500 - kClockSlack.count());
    EXPECT_LE(longest, 700);
}

// After each choice the next report comes one whole new interval later, then one per interval,
// never two: a timer left running beside the new one, or one not restarted, shows.
TEST(MainWindowTimers, EachChosenIntervalRunsFromTheChoiceAndTicksOnce) {
    ReportWatch watch;
    for (const std::int32_t interval : {100, 200, 500, 1000, 2000}) {
        const auto chosen = Clock::now();
        watch.chooseInterval(interval);
        const auto first = watch.reports(milliseconds(0), true, milliseconds(interval + 1000));
        ASSERT_EQ(first.size(), 1u) << interval << " ms: no report";
        EXPECT_GE(since(chosen, first.front()), interval - kClockSlack.count()) << interval << " ms";
        EXPECT_LE(since(chosen, first.front()), interval + 300) << interval << " ms";

        const int periods = interval <= 500 ? 6 : 2;
        const auto times = watch.reports(milliseconds(periods * interval));
        EXPECT_GE(times.size(), static_cast<std::size_t>(periods - 2)) << interval << " ms";
        EXPECT_LE(times.size(), static_cast<std::size_t>(periods + 1)) << interval << " ms";
        if (times.size() >= 2) {
            EXPECT_GE(gaps(times).first, interval - kClockSlack.count()) << interval << " ms";
        }
    }

    // The same interval chosen again halfway through a period starts it afresh.
    watch.chooseInterval(200);
    watch.reports(milliseconds(0), true, milliseconds(1200));
    watch.reports(milliseconds(120));
    const auto again = Clock::now();
    watch.chooseInterval(200);
    const auto next = watch.reports(milliseconds(0), true, milliseconds(1200));
    ASSERT_EQ(next.size(), 1u);
    EXPECT_GE(since(again, next.front()), 200 - kClockSlack.count()) << "the period already running went on";

    // The long intervals: the old half-second timer must not tick on once they are chosen.
    for (const std::int32_t interval : {5000, 10000, 30000}) {
        watch.chooseInterval(interval);
        EXPECT_TRUE(watch.reports(milliseconds(1500)).empty()) << interval << " ms";
    }
}

// wWinMain as Windows calls it, with what follows the program name: the port shown in the status
// line says where the first argument was read from.
struct EntryCase {
    const wchar_t* commandLine;  // nullptr: none at all
    const wchar_t* port;
};

std::string escaped(const wchar_t* text) {
    if (text == nullptr) return "(null)";
    std::string out;
    for (; *text != 0; ++text) {
        char c[8];
        std::snprintf(c, sizeof c, *text < 0x20 || *text > 0x7e ? "\\x%02x" : "%c", static_cast<unsigned>(*text));
        out += c;
    }
    return "\"" + out + "\"";
}

HWND mainWindow() { return test::findThreadWindow(L"VEMTORA"); }

TEST(EntryPoint, DropsBlanksAndControlCharactersBeforeTheFirstArgument) {
    const std::vector<EntryCase> cases = {
        {nullptr, L"COM5"},
        {L"", L"COM5"},
        {L"2", L"COM3"},
        {L"  2", L"COM3"},
        {L"\x01\x1f\t\r\n 2", L"COM3"},
        {L"\x1f"
         L"15 1 2",
         L"COM16"},
        {L"\x7f"
         L"2",
         L"COM5"},  // DEL is no blank: the argument does not read, the defaults stay
        {L"!2", L"COM5"},
    };
    for (const EntryCase& row : cases) {
        WatchDrawText watch;
        std::wstring status;
        test::UiDriver driver(
            {{"status line painted", [] { return mainWindow() != nullptr && lastDrawn(isStatus) != nullptr; },
              [&] {
                  status = lastDrawn(isStatus)->text;
                  PostMessageW(mainWindow(), WM_COMMAND, toNumber(CommandId::Exit), 0);
              }}},
            [] {
                if (HWND window = mainWindow()) DestroyWindow(window);
            });
        std::wstring line = row.commandLine != nullptr ? row.commandLine : L"";
        const int exitCode = wWinMain(GetModuleHandleW(nullptr), nullptr,
                                      row.commandLine != nullptr ? line.data() : nullptr, SW_SHOWNORMAL);
        EXPECT_EQ(exitCode, 0) << escaped(row.commandLine);
        EXPECT_EQ(driver.failure(), "") << escaped(row.commandLine);
        EXPECT_EQ(status.substr(0, status.find(L' ')), row.port) << escaped(row.commandLine);
    }
}

}  // namespace
}  // namespace vemtora
