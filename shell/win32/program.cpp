#include "shell/win32/program.h"

#include <array>

#include "core/acquisition_settings.h"
#include "io/win32/log_file_writer.h"
#include "io/win32/serial_port_link.h"
#include "resources/resource_ids.h"
#include "shell/win32/main_window.h"

namespace vemtora {

namespace {

constexpr int kResourceTextLength = 100;

std::array<wchar_t, kResourceTextLength> loadText(HINSTANCE instance, UINT id) {
    std::array<wchar_t, kResourceTextLength> text{};
    LoadStringW(instance, id, text.data(), kResourceTextLength);
    return text;
}

}  // namespace

int runProgram(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    // Declared before the window so that they outlive the controller it holds.
    AcquisitionSettings settings;
    parseCommandLine(settings, commandLine);
    SerialPortLink serialLink;
    LogFileWriter logFile;

    const auto title = loadText(instance, IDS_APP_TITLE);
    const auto className = loadText(instance, IDS_WINDOW_CLASS);
    MainWindow::registerClass(instance, className.data());

    MainWindow mainWindow(instance, settings, serialLink, logFile);
    const HWND window = mainWindow.create(className.data(), title.data());
    if (window == nullptr) return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    return runMessageLoop(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_VEMTORA)));
}

int runMessageLoop(HACCEL accelerators) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace vemtora
