#include "ui_driver.h"

namespace vemtora::test {

namespace {

UiDriver* current = nullptr;
constexpr auto kStepDeadline = std::chrono::seconds(15);

}  // namespace

UiDriver::UiDriver(std::vector<UiStep> steps, std::function<void()> onTimeout)
    : steps_(std::move(steps)), onTimeout_(std::move(onTimeout)), stepStarted_(std::chrono::steady_clock::now()) {
    current = this;
    timer_ = SetTimer(nullptr, 0, 20, tick);
}

UiDriver::~UiDriver() {
    KillTimer(nullptr, timer_);
    current = nullptr;
}

void CALLBACK UiDriver::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current != nullptr) current->advance();
}

void UiDriver::advance() {
    if (finished() || !failure_.empty()) return;
    UiStep& step = steps_[next_];
    if (step.ready()) {
        ++next_;
        stepStarted_ = std::chrono::steady_clock::now();
        step.act();
    } else if (std::chrono::steady_clock::now() - stepStarted_ > kStepDeadline) {
        failure_ = "timed out waiting for: " + step.what;
        onTimeout_();
    }
}

HWND findThreadWindow(const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (lstrcmpW(name, s.className) != 0) return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND findDialog(HWND owner, bool anyOwner) {
    struct Search {
        HWND owner;
        bool anyOwner;
        HWND found;
    } search{owner, anyOwner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            wchar_t className[16] = {};
            GetClassNameW(window, className, 16);
            if (lstrcmpW(className, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
            if (!s.anyOwner && GetWindow(window, GW_OWNER) != s.owner) return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring windowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

void pressAltWith(HWND window, wchar_t c) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_MENU] = keys[VK_LMENU] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(window, WM_SYSCHAR, c, 1 | (1 << 29));  // bit 29: Alt held
}

void releaseAlt() {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_MENU] = keys[VK_LMENU] = 0;
    SetKeyboardState(keys);
}

}  // namespace vemtora::test
