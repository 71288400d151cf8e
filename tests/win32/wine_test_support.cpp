#include "wine_test_support.h"

#include <cstdio>
#include <stdexcept>
#include <thread>

namespace vemtora::test {

void sendOnLine(std::string_view port, std::string_view bytes) {
    std::string hex;
    for (unsigned char c : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", c);
        hex += pair;
    }
    std::printf("@send %.*s %s\n", static_cast<int>(port.size()), port.data(), hex.c_str());
    std::fflush(stdout);
}

bool waitUntil(const std::function<bool()>& poll, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    while (!poll()) {
        if (Clock::now() > end) return poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::uintptr_t nextHandleValue() {
    const HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(probe);
    return reinterpret_cast<std::uintptr_t>(probe);
}

TemporaryFolder::TemporaryFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (unsigned attempt = GetCurrentProcessId() * 1000;; ++attempt) {
        folder_ = std::wstring(base) + L"vemtora-test-" + std::to_wstring(attempt);
        if (CreateDirectoryW(folder_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create a temporary folder");
    }
}

TemporaryFolder::~TemporaryFolder() {
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW(path(entry.cFileName).c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder_.c_str());
}

std::string readWholeFile(const std::wstring& path) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot read the file");
    std::string content;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) content.append(chunk, got);
    CloseHandle(file);
    return content;
}

void writeWholeFile(const std::wstring& path, std::string_view content) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write the file");
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace vemtora::test
