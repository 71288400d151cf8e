#include "io/win32/log_file_writer.h"

#include <windows.h>
#include <commdlg.h>

#include <array>

namespace vemtora {

std::optional<std::wstring> LogFileWriter::chooseFile() {
    std::array<wchar_t, kMaxLogPathLength + 1> path{};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    // No owner: the main window stays usable, and the controller copes with what arrives meanwhile.
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

bool LogFileWriter::open(const std::wstring& path) {
    close();
    // Open-always keeps what the file holds: the overwrite question only confirms the choice.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    handle_ = file;
    return true;
}

void LogFileWriter::appendLine(std::string_view line) {
    if (handle_ == nullptr) return;
    LARGE_INTEGER lineStart{};
    if (!SetFilePointerEx(handle_, LARGE_INTEGER{}, &lineStart, FILE_END)) return;
    DWORD written = 0;
    const BOOL ok = WriteFile(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    if (!ok || written != line.size()) {
        // A full disk takes part of a line; cut it off, or the next line would be glued to it.
        SetFilePointerEx(handle_, lineStart, nullptr, FILE_BEGIN);
        SetEndOfFile(handle_);
    }
}

void LogFileWriter::close() {
    if (handle_ == nullptr) return;
    CloseHandle(handle_);
    handle_ = nullptr;
}

}  // namespace vemtora
