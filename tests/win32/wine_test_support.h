// Helpers the Wine-side tests share: deadlines, the pty harness's send request, temporary folders.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vemtora::test {

using Clock = std::chrono::steady_clock;

// Asks pty_ports.py to put these bytes on the line of the named port ("com3").
void sendOnLine(std::string_view port, std::string_view bytes);

// Calls poll until it reports true or the deadline passes; returns its last answer.
bool waitUntil(const std::function<bool()>& poll, std::chrono::milliseconds deadline = std::chrono::seconds(10));

// The handle value this process would be given next. Wine answers GetProcessHandleCount with 0,
// but it hands out the lowest free handle first: a handle left open changes this value.
std::uintptr_t nextHandleValue();

// A new empty folder under the temporary folder, removed with its files at the end of the scope.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::wstring path(std::wstring_view name) const { return folder_ + L"\\" + std::wstring(name); }

private:
    std::wstring folder_;
};

std::string readWholeFile(const std::wstring& path);
void writeWholeFile(const std::wstring& path, std::string_view content);
bool fileExists(const std::wstring& path);

}  // namespace vemtora::test
