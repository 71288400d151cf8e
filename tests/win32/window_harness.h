// The program's main window in this process, made as runProgram makes it (class and title from
// the program's resources) around the link and log file a test gives, and a message pump that
// waits for a condition, bounded, watching each message on the way.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

#include "core/command_id.h"
#include "shell/win32/main_window.h"

namespace vemtora::test {

class WindowUnderTest {
public:
    WindowUnderTest(SerialLink& link, LogFile& logFile, const AcquisitionSettings& settings = {},
                    MainWindow::LogPathChooser choosePath = chooseLogPath);
    ~WindowUnderTest();
    WindowUnderTest(const WindowUnderTest&) = delete;
    WindowUnderTest& operator=(const WindowUnderTest&) = delete;

    HWND handle() const { return handle_; }
    const AcquisitionController& controller() const { return *window_.controller(); }
    // As the menu sends it: WM_COMMAND, handled before this returns.
    void command(CommandId id, int offset = 0) const;

private:
    MainWindow window_;
    HWND handle_ = nullptr;
};

struct MessageWatch {
    std::function<void(const MSG&)> before;  // each message before it is dispatched
    std::function<void(const MSG&)> after;
};

// Dispatches this thread's messages until done() holds or the deadline passes; returns done().
bool pumpMessages(const std::function<bool()>& done, std::chrono::milliseconds deadline,
                  const MessageWatch& watch = {});

}  // namespace vemtora::test
