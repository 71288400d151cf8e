// Reads a file as a tail-following reader does on Windows while another program writes it, and
// tries to open it for writing as a second logger would. Prints the file, then "writers refused"
// when the write was refused; exits 1 when it could not read.
#include <windows.h>

#include <string_view>

namespace {

void put(const char* bytes, DWORD size) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, size, &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 2) return 2;
    const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, shareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) put(buffer, read);
    CloseHandle(file);
    const HANDLE writer = CreateFileW(argv[1], GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (writer == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
        const std::string_view said = "writers refused\n";
        put(said.data(), static_cast<DWORD>(said.size()));
    }
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    return 0;
}
