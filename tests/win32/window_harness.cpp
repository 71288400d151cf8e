#include "window_harness.h"

#include <array>
#include <utility>

#include "resources/resource_ids.h"

namespace vemtora::test {

namespace {

const HINSTANCE instance = GetModuleHandleW(nullptr);

std::array<wchar_t, 100> resourceText(UINT id) {
    std::array<wchar_t, 100> text{};
    LoadStringW(instance, id, text.data(), static_cast<int>(text.size()));
    return text;
}

}  // namespace

WindowUnderTest::WindowUnderTest(SerialLink& link, LogFile& logFile, const AcquisitionSettings& settings,
                                 MainWindow::LogPathChooser choosePath)
    : window_(instance, settings, link, logFile, std::move(choosePath)) {
    const auto className = resourceText(IDS_WINDOW_CLASS);
    MainWindow::registerClass(instance, className.data());
    handle_ = window_.create(className.data(), resourceText(IDS_APP_TITLE).data());
    ShowWindow(handle_, SW_SHOWNORMAL);
    UpdateWindow(handle_);
}

WindowUnderTest::~WindowUnderTest() {
    if (IsWindow(handle_)) DestroyWindow(handle_);
    // The window's end posts a quit message, meant for runProgram's loop; drop it here.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void WindowUnderTest::command(CommandId id, int offset) const {
    SendMessageW(handle_, WM_COMMAND, toNumber(id) + offset, 0);
}

bool pumpMessages(const std::function<bool()>& done, std::chrono::milliseconds deadline, const MessageWatch& watch) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (watch.before) watch.before(message);
            TranslateMessage(&message);
            DispatchMessageW(&message);
            if (watch.after) watch.after(message);
        }
    }
    return true;
}

}  // namespace vemtora::test
