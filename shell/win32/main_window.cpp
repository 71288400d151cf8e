#include "shell/win32/main_window.h"

#include <utility>

#include "core/command_dispatch.h"
#include "resources/resource_ids.h"
#include "shell/win32/about_box.h"

namespace vemtora {

namespace {

// The window is created without a creation parameter, so its procedure finds its object here.
MainWindow* activeWindow = nullptr;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const AcquisitionSettings& settings, SerialLink& serialLink,
                       LogFile& logFile, LogPathChooser choosePath)
    : instance_(instance),
      settings_(settings),
      serialLink_(serialLink),
      logFile_(logFile),
      choosePath_(std::move(choosePath)) {}

MainWindow::~MainWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (activeWindow == this) activeWindow = nullptr;
}

void MainWindow::registerClass(HINSTANCE instance, const wchar_t* className) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VEMTORA));
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDC_VEMTORA);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
}

HWND MainWindow::create(const wchar_t* className, const wchar_t* title) {
    activeWindow = this;
    return CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, kWindowWidth, kWindowHeight,
                           nullptr, nullptr, instance_, nullptr);
}

LRESULT MainWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: onCreate(window); return 0;
        case WM_DESTROY: onDestroy(); return 0;
        case WM_PAINT: onPaint(); return 0;
        case WM_TIMER:
            if (onTimer(wParam)) return 0;
            break;
        case WM_COMMAND:
            if (onCommand(LOWORD(wParam))) return 0;
            break;
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void MainWindow::onCreate(HWND window) {
    window_ = window;
    controller_.emplace(settings_, serialLink_, logFile_, *this);
    controller_->initialise();
    SetTimer(window_, kPollTimerId, kPollPeriodMs, nullptr);
    SetTimer(window_, kReportTimerId, static_cast<UINT>(controller_->reportIntervalMs()), nullptr);
    fonts_ = createReportFonts();
}

void MainWindow::onDestroy() {
    if (controller_) controller_->shutdown();
    window_ = nullptr;
    PostQuitMessage(0);
}

void MainWindow::onPaint() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window_, &paint);
    RECT client{};
    GetClientRect(window_, &client);
    if (controller_) paintReportTexts(dc, client, controller_->texts(), fonts_);
    EndPaint(window_, &paint);
}

bool MainWindow::onTimer(UINT_PTR timerId) {
    if (!controller_) return false;
    switch (timerId) {
        case kPollTimerId: controller_->onPollTick(); return true;
        case kReportTimerId: controller_->onReportTick(); return true;
        default: return false;
    }
}

bool MainWindow::onCommand(std::uint32_t commandId) {
    if (!controller_) return false;
    switch (dispatchCommand(*controller_, commandId)) {
        case CommandOutcome::Handled: return true;
        case CommandOutcome::ShowAbout: showAboutBox(instance_, window_); return true;
        case CommandOutcome::Exit: DestroyWindow(window_); return true;
        case CommandOutcome::Unrecognised: return false;
    }
    return false;
}

LocalTime MainWindow::localTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, now.wYear, now.wMonth, now.wDay};
}

std::optional<std::wstring> MainWindow::chooseLogFile() { return choosePath_(); }

void MainWindow::restartReportTimer(std::int32_t periodMs) {
    KillTimer(window_, kReportTimerId);
    SetTimer(window_, kReportTimerId, static_cast<UINT>(periodMs), nullptr);
}

void MainWindow::requestRepaint() { InvalidateRect(window_, nullptr, TRUE); }

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (activeWindow == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return activeWindow->handleMessage(window, message, wParam, lParam);
}

}  // namespace vemtora
