#include "io/win32/log_file_writer.h"

#include <windows.h>

#include <string>

namespace vemtora {

namespace {

// True when the file is empty or its last byte is a line feed; false also when it cannot be read.
bool endsWithLineFeed(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return false;
    if (size.QuadPart == 0) return true;
    LARGE_INTEGER last{};
    last.QuadPart = -1;
    char byte = 0;
    DWORD read = 0;
    return SetFilePointerEx(file, last, nullptr, FILE_END) && ReadFile(file, &byte, 1, &read, nullptr) && read == 1 &&
           byte == '\n';
}

}  // namespace

bool LogFileWriter::open(const std::wstring& path) {
    close();
    // Open-always keeps what the file holds: the overwrite question only confirms the choice.
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, sharing_ == Sharing::Readers ? FILE_SHARE_READ : 0,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // A pipe, a port, NUL or the console opens as well; writing to one may block for good.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    handle_ = file;
    lineFeedOwed_ = !endsWithLineFeed(file);
    return true;
}

void LogFileWriter::appendLine(std::string_view line) {
    if (handle_ == nullptr) return;
    // Text left without its line end (another program's, a crash's) gets one before our first
    // line, in the same write, so the line neither glues onto it nor lands half.
    std::string withLineFeed;
    if (lineFeedOwed_) {
        withLineFeed.reserve(line.size() + 1);
        withLineFeed.append(1, '\n').append(line);
        line = withLineFeed;
    }
    LARGE_INTEGER lineStart{};
    if (!SetFilePointerEx(handle_, LARGE_INTEGER{}, &lineStart, FILE_END)) return;
    DWORD written = 0;
    const BOOL ok = WriteFile(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    if (!ok || written != line.size()) {
        // A full disk takes part of a line; cut it off, or the next line would be glued to it.
        // Where it cannot be cut off, the next line starts on a line of its own instead.
        if (!SetFilePointerEx(handle_, lineStart, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
            lineFeedOwed_ = !endsWithLineFeed(handle_);
        }
        return;
    }
    lineFeedOwed_ = false;
}

void LogFileWriter::close() {
    if (handle_ == nullptr) return;
    CloseHandle(handle_);
    handle_ = nullptr;
}

}  // namespace vemtora
