#include "shell/win32/log_path_dialog.h"

// windows.h first, in a block of its own: commdlg.h needs its types.
#include <windows.h>

#include <commdlg.h>

#include <array>

#include "core/controller_interfaces.h"

namespace vemtora {

std::optional<std::wstring> chooseLogPath() {
    std::array<wchar_t, kMaxLogPathLength + 1> path{};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = nullptr;
    dialog.lpstrFilter = L"Log files (*.log)\0*.log\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    // No default extension: a name typed without one is used exactly as typed.
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    return std::wstring(path.data());
}

}  // namespace vemtora
