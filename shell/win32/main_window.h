// The main window: owns the controller, its timers and fonts, and turns messages into controller calls.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "core/acquisition_controller.h"
#include "shell/win32/log_path_dialog.h"
#include "shell/win32/report_view.h"

namespace vemtora {

inline constexpr UINT_PTR kPollTimerId = 102;
inline constexpr UINT_PTR kReportTimerId = 103;
inline constexpr int kWindowWidth = 550;
inline constexpr int kWindowHeight = 100;

class MainWindow final : public ShellServices {
public:
    // Where to log; nullopt when cancelled.
    using LogPathChooser = std::function<std::optional<std::wstring>()>;

    // The settings are copied when the window is created; the link and the file must outlive this object.
    MainWindow(HINSTANCE instance, const AcquisitionSettings& settings, SerialLink& serialLink, LogFile& logFile,
               LogPathChooser choosePath = chooseLogPath);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    static void registerClass(HINSTANCE instance, const wchar_t* className);
    // Returns nullptr when the window cannot be created. One main window per process at a time.
    HWND create(const wchar_t* className, const wchar_t* title);

    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // nullptr before the window is created.
    const AcquisitionController* controller() const { return controller_ ? &*controller_ : nullptr; }

    LocalTime localTime() override;
    std::optional<std::wstring> chooseLogFile() override;
    void restartReportTimer(std::int32_t periodMs) override;
    void requestRepaint() override;

private:
    void onCreate(HWND window);
    void onDestroy();
    void onPaint();
    bool onTimer(UINT_PTR timerId);
    bool onCommand(std::uint32_t commandId);

    HINSTANCE instance_;
    const AcquisitionSettings& settings_;
    SerialLink& serialLink_;
    LogFile& logFile_;
    LogPathChooser choosePath_;
    HWND window_ = nullptr;
    // Lives on after WM_DESTROY: the file dialog may still be on the stack inside startLogging.
    std::optional<AcquisitionController> controller_;
    ReportFonts fonts_;
};

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vemtora
