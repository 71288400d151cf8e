// Drives a modal UI from inside its own message loops, the way a person would: a thread timer
// waits for each step's window to appear (bounded), then acts by posting messages.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vemtora::test {

struct UiStep {
    std::string what;
    std::function<bool()> ready;
    std::function<void()> act;
};

class UiDriver {
public:
    explicit UiDriver(std::vector<UiStep> steps, std::function<void()> onTimeout);
    ~UiDriver();
    UiDriver(const UiDriver&) = delete;
    UiDriver& operator=(const UiDriver&) = delete;

    bool finished() const { return next_ == steps_.size(); }
    const std::string& failure() const { return failure_; }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void advance();

    std::vector<UiStep> steps_;
    std::function<void()> onTimeout_;
    std::size_t next_ = 0;
    std::chrono::steady_clock::time_point stepStarted_;
    std::string failure_;
    UINT_PTR timer_ = 0;
};

// A top-level window of this thread with that class, or nullptr. Other programs under test may
// have windows of the same class on the same desktop at the same time.
HWND findThreadWindow(const wchar_t* className);
// A visible dialog of this thread with that owner (nullptr: any owner), or nullptr.
HWND findDialog(HWND owner, bool anyOwner = false);
std::wstring windowText(HWND window);
// Posts the character message that Alt + c produces, with the Alt key down in this thread's key state.
void pressAltWith(HWND window, wchar_t c);
void releaseAlt();

}  // namespace vemtora::test
