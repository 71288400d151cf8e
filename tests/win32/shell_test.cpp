// The shell in this process, with the program's resources linked in: the whole start-up and
// message loop of runProgram, the About box by menu and both accelerators, and the save dialog.
#include <gtest/gtest.h>

#include "core/command_id.h"
#include "resources/resource_ids.h"
#include "shell/win32/about_box.h"
#include "shell/win32/log_path_dialog.h"
#include "shell/win32/main_window.h"
#include "shell/win32/program.h"
#include "ui_driver.h"
#include "vemtora_version.h"
#include "wine_test_support.h"

namespace vemtora {
namespace {

using test::findDialog;
using test::UiDriver;
using test::UiStep;
using test::windowText;

const HINSTANCE instance = GetModuleHandleW(nullptr);
const std::wstring aboutCaption = L"バージョン情報 Vemtora";

HWND mainWindow() { return test::findThreadWindow(L"VEMTORA"); }
HWND aboutBox() { return mainWindow() ? findDialog(mainWindow()) : nullptr; }
bool aboutClosed() { return aboutBox() == nullptr && IsWindowEnabled(mainWindow()); }

void closeEverything() {
    if (HWND dialog = findDialog(nullptr, true)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    if (HWND window = mainWindow()) DestroyWindow(window);
}

TEST(Shell, WindowAboutBoxByMenuAndBothAcceleratorsThenExit) {
    struct Seen {
        std::wstring className, title, dialogCaption;
        RECT frame{};
        int menuItems = 0;
        bool ownerDisabled = false;
        POINT dialogAt{}, clientOrigin{};
    } seen;
    auto openedBy = [](std::function<void()> action) { return action; };
    UiDriver driver(
        {
            {"main window", [] { return mainWindow() && IsWindowVisible(mainWindow()); },
             [&] {
                 const HWND window = mainWindow();
                 wchar_t text[100] = {};
                 GetClassNameW(window, text, 100);
                 seen.className = text;
                 seen.title = windowText(window);
                 GetWindowRect(window, &seen.frame);
                 seen.menuItems = GetMenuItemCount(GetMenu(window));
                 PostMessageW(window, WM_COMMAND, toNumber(CommandId::About), 0);
             }},
            {"About box from the Help menu", [] { return aboutBox() != nullptr; },
             [&] {
                 const HWND dialog = aboutBox();
                 seen.dialogCaption = windowText(dialog);
                 seen.ownerDisabled = !IsWindowEnabled(mainWindow());
                 // The template's position is that of the box's client area, from the owner's.
                 ClientToScreen(dialog, &seen.dialogAt);
                 ClientToScreen(mainWindow(), &seen.clientOrigin);
                 PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
             }},
            {"About closed by OK", aboutClosed, openedBy([] { test::pressAltWith(mainWindow(), L'?'); })},
            {"About box from Alt+?", [] { return aboutBox() != nullptr; },
             [] {
                 test::releaseAlt();
                 PostMessageW(GetDlgItem(aboutBox(), IDOK), WM_KEYDOWN, VK_ESCAPE, 1);
             }},
            {"About closed by Escape", aboutClosed, [] { test::pressAltWith(mainWindow(), L'/'); }},
            {"About box from Alt+/", [] { return aboutBox() != nullptr; },
             [] {
                 test::releaseAlt();
                 PostMessageW(aboutBox(), WM_SYSCOMMAND, SC_CLOSE, 0);
             }},
            {"About closed by its close box", aboutClosed,
             [] { PostMessageW(mainWindow(), WM_COMMAND, toNumber(CommandId::Exit), 0); }},
        },
        closeEverything);

    const int exitCode = runProgram(instance, L"", SW_SHOWNORMAL);
    test::releaseAlt();

    EXPECT_EQ(driver.failure(), "");
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(mainWindow(), nullptr);
    EXPECT_EQ(seen.className, L"VEMTORA");
    EXPECT_EQ(seen.title, L"Vemtora");
    EXPECT_EQ(seen.frame.right - seen.frame.left, kWindowWidth);
    EXPECT_EQ(seen.frame.bottom - seen.frame.top, kWindowHeight);
    EXPECT_EQ(seen.menuItems, 4);
    EXPECT_EQ(seen.dialogCaption, aboutCaption);
    EXPECT_TRUE(seen.ownerDisabled) << "the About box must be modal over the main window";
    EXPECT_EQ(seen.dialogAt.x, seen.clientOrigin.x);
    EXPECT_EQ(seen.dialogAt.y, seen.clientOrigin.y);
}

struct CloseCase {
    const char* how;
    std::function<void(HWND)> close;
    INT_PTR result;
};

TEST(AboutBox, ResultSaysHowItWasClosed) {
    const std::vector<CloseCase> cases = {
        {"OK button", [](HWND d) { PostMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0); }, IDOK},
        {"Enter", [](HWND d) { PostMessageW(GetDlgItem(d, IDOK), WM_KEYDOWN, VK_RETURN, 1); }, IDOK},
        {"Escape", [](HWND d) { PostMessageW(GetDlgItem(d, IDOK), WM_KEYDOWN, VK_ESCAPE, 1); }, IDCANCEL},
        {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const CloseCase& row : cases) {
        UiDriver driver(
            {{"About box", [] { return findDialog(nullptr) != nullptr; }, [&] { row.close(findDialog(nullptr)); }}},
            closeEverything);
        EXPECT_EQ(showAboutBox(instance, nullptr), row.result) << row.how;
        EXPECT_EQ(driver.failure(), "") << row.how;
    }
}

// A static control wraps a line too wide for it, and the wrapped words fall below its one line,
// out of sight: the whole line must fit, in the font the box really gets.
TEST(AboutBox, ItsLineFitsItsControl) {
    const std::wstring expected(VEMTORA_ABOUT_TEXT, VEMTORA_ABOUT_TEXT + sizeof VEMTORA_ABOUT_TEXT - 1);
    struct Measured {
        bool found = false;
        RECT control{};
        SIZE line{};
        RECT wrapped{};
    } measured;
    UiDriver driver(
        {{"About box", [] { return findDialog(nullptr) != nullptr; },
          [&] {
              const HWND dialog = findDialog(nullptr);
              for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                  if (windowText(child) != expected) continue;
                  measured.found = true;
                  GetClientRect(child, &measured.control);
                  const HDC dc = GetDC(child);
                  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
                  GetTextExtentPoint32W(dc, expected.c_str(), static_cast<int>(expected.size()), &measured.line);
                  measured.wrapped = measured.control;
                  DrawTextW(dc, expected.c_str(), -1, &measured.wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
                  ReleaseDC(child, dc);
              }
              PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
          }}},
        closeEverything);
    showAboutBox(instance, nullptr);
    EXPECT_EQ(driver.failure(), "");
    ASSERT_TRUE(measured.found) << "no control shows the About text";
    EXPECT_LE(measured.line.cx, measured.control.right) << "the line is wider than its control";
    EXPECT_LE(measured.wrapped.bottom, measured.control.bottom) << "the line wraps below its control";
    EXPECT_GT(measured.line.cx, 0);
}

// Controls of the common save dialog.
constexpr int kFileNameCombo = 0x47c;  // cmb13: the explorer-style dialog's file name box
constexpr int kFileTypeCombo = 0x470;  // cmb1

struct SaveCase {
    const char* what;
    const wchar_t* typed;  // nullptr: cancel
};

TEST(SaveDialog, ReturnsThePathAsTypedOrNothing) {
    const std::vector<SaveCase> cases = {
        {"name without extension", L"measurements"},
        {"cancelled", nullptr},
    };
    for (const SaveCase& row : cases) {
        test::TemporaryFolder folder;
        const std::wstring path = row.typed ? folder.path(row.typed) : L"";
        std::wstring filter;
        std::vector<UiStep> steps = {
            {"save dialog", [] { return findDialog(nullptr, true) != nullptr; },
             [&] {
                 const HWND dialog = findDialog(nullptr, true);
                 filter = windowText(GetDlgItem(dialog, kFileTypeCombo));
                 if (row.typed == nullptr) {
                     PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                     return;
                 }
                 SetDlgItemTextW(dialog, kFileNameCombo, path.c_str());
                 PostMessageW(dialog, WM_COMMAND, IDOK, 0);
             }},
        };
        UiDriver driver(steps, closeEverything);
        const auto chosen = chooseLogPath();
        EXPECT_EQ(driver.failure(), "") << row.what;
        EXPECT_TRUE(driver.finished()) << row.what;
        EXPECT_EQ(filter, L"Log files (*.log)") << row.what;
        if (row.typed == nullptr) {
            EXPECT_FALSE(chosen.has_value()) << row.what;
        } else {
            ASSERT_TRUE(chosen.has_value()) << row.what;
            EXPECT_EQ(*chosen, path) << row.what;
        }
    }
}

// The dialog's own questions: a file that exists is taken only once the replace question is
// answered (the log then appends to it), and a path in a folder that does not exist is refused
// with a message, the dialog staying up. Each row answers the question, or cancels the dialog.
struct QuestionCase {
    const char* what;
    bool existingFile;
    const wchar_t* name;  // typed in the test's folder
    int answer;           // IDYES, IDNO or IDOK to the question; the dialog is then cancelled unless taken
    bool taken;
};

TEST(SaveDialog, AsksBeforeAnExistingFileAndRefusesAMissingFolder) {
    const std::vector<QuestionCase> cases = {
        {"existing file, replace: yes", true, L"old.log", IDYES, true},
        {"existing file, replace: no", true, L"old.log", IDNO, false},
        {"missing folder", false, L"no-such-folder\\run.log", IDOK, false},
    };
    for (const QuestionCase& row : cases) {
        test::TemporaryFolder folder;
        const std::wstring path = folder.path(row.name);
        if (row.existingFile) test::writeWholeFile(path, "09:00:00.0\t1.0\t2.00\t2.0\n");
        HWND dialog = nullptr;
        std::vector<UiStep> steps = {
            {"save dialog", [] { return findDialog(nullptr, true) != nullptr; },
             [&] {
                 dialog = findDialog(nullptr, true);
                 SetDlgItemTextW(dialog, kFileNameCombo, path.c_str());
                 PostMessageW(dialog, WM_COMMAND, IDOK, 0);
             }},
            {"the dialog's question", [&] { return findDialog(dialog) != nullptr; },
             [&] { PostMessageW(findDialog(dialog), WM_COMMAND, row.answer, 0); }},
        };
        if (!row.taken) {
            steps.push_back({"the dialog again",
                             [&] { return findDialog(dialog) == nullptr && IsWindowVisible(dialog); },
                             [&] { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }});
        }
        UiDriver driver(steps, closeEverything);
        const auto chosen = chooseLogPath();
        EXPECT_EQ(driver.failure(), "") << row.what;
        EXPECT_TRUE(driver.finished()) << row.what;
        EXPECT_EQ(chosen.value_or(L""), row.taken ? path : L"") << row.what;
    }
}

// The log path has room for 255 characters: a longer one is not returned, cut or whole.
TEST(SaveDialog, TakesAPathOfAtMost255Characters) {
    test::TemporaryFolder folder;
    const std::size_t folderLength = folder.path(L"").size();
    // Longer paths crash Wine's own dialog (past MAX_PATH), so the refused row is just one over.
    for (const std::size_t length : {kMaxLogPathLength, kMaxLogPathLength + 1}) {
        const std::wstring path = folder.path(std::wstring(length - folderLength, L'x'));
        ASSERT_EQ(path.size(), length);
        UiDriver driver({{"save dialog", [] { return findDialog(nullptr, true) != nullptr; },
                          [&] {
                              const HWND dialog = findDialog(nullptr, true);
                              SetDlgItemTextW(dialog, kFileNameCombo, path.c_str());
                              PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                          }}},
                        closeEverything);
        const auto chosen = chooseLogPath();
        EXPECT_EQ(driver.failure(), "") << length;
        if (length <= kMaxLogPathLength) {
            EXPECT_EQ(chosen.value_or(L""), path) << length;
        } else {
            EXPECT_FALSE(chosen.has_value()) << length << " characters came back";
        }
        // Whatever Wine does with a name that does not fit, no dialog may be left behind.
        if (HWND left = findDialog(nullptr, true)) PostMessageW(left, WM_COMMAND, IDCANCEL, 0);
    }
}

// The save dialog has no owner, so the window can be closed under it: the program must end
// cleanly, and the path the dialog then returns must not be opened.
TEST(SaveDialog, ClosingTheWindowUnderTheDialogEndsCleanly) {
    test::TemporaryFolder folder;
    const std::wstring path = folder.path(L"late.log");
    UiDriver driver(
        {
            {"main window", [] { return mainWindow() && IsWindowVisible(mainWindow()); },
             [] { PostMessageW(mainWindow(), WM_COMMAND, toNumber(CommandId::LogSave), 0); }},
            {"save dialog", [] { return findDialog(nullptr, true) != nullptr; },
             [&] {
                 const HWND dialog = findDialog(nullptr, true);
                 PostMessageW(mainWindow(), WM_CLOSE, 0, 0);
                 // Answered only after the window has gone.
                 SetDlgItemTextW(dialog, kFileNameCombo, path.c_str());
                 PostMessageW(dialog, WM_COMMAND, IDOK, 0);
             }},
        },
        closeEverything);

    const int exitCode = runProgram(instance, L"", SW_SHOWNORMAL);

    EXPECT_EQ(driver.failure(), "");
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(mainWindow(), nullptr);
    EXPECT_FALSE(test::fileExists(path)) << "a file chosen after the window closed was opened";
}

}  // namespace
}  // namespace vemtora
