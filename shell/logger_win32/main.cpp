// vemtora-logger.exe: the Windows edition without a window, for unattended logging.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/usage_text.h"
#include "io/metrics/metrics_file.h"
#include "shell/logger/reading_fan_out.h"
#include "shell/logger_common/logger_help.h"
#include "shell/logger_win32/console_logger.h"
#include "shell/logger_win32/console_options.h"
#include "vemtora_version.h"

namespace {

using namespace vemtora;
using namespace vemtora::logger;

constexpr std::string_view kProgram = "vemtora-logger";

HANDLE stopEvent = nullptr;
HANDLE doneEvent = nullptr;

// On the thread Windows starts for the event. Close, logoff and shutdown end the process when
// the handler returns, so it waits for the loop to finish its line and close the log.
BOOL WINAPI onConsoleControl(DWORD type) {
    // A task started at boot runs in session 0, where a user's logoff is not its own.
    DWORD session = 0;
    if (type == CTRL_LOGOFF_EVENT && ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0) {
        return FALSE;
    }
    SetEvent(stopEvent);
    // Windows allows five seconds after a close; the loop needs one write.
    WaitForSingleObject(doneEvent, 4000);
    return TRUE;
}

std::string helpText() {
    std::string text = helpHead(std::string(kProgram) + ".exe");
    addOptionRows(text, kConsoleOptions);
    text += "\nStopping:\n";
    addHelpRow(text, "Ctrl+C, Ctrl+Break",
               "end the run after a whole line; so do closing the console, logoff and shutdown");
    addExitStatusRows(text,
                      "the port or the log file could not be opened, or the device went away with --no-reconnect");
    return text;
}

std::optional<std::wstring> widen(std::string_view utf8) {
    if (utf8.empty()) return std::wstring();
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back();  // the NUL
    return bytes;
}

// Written beside the file and moved over it: a collector reads the old file or the new, never half.
std::string replaceFile(const std::wstring& path, std::string_view text) {
    const std::wstring temporary = path + L".tmp";
    const HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return systemErrorText(GetLastError());
    DWORD written = 0;
    const bool whole =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    const DWORD writeError = GetLastError();
    CloseHandle(file);
    // A reader that holds the file without delete sharing makes the move fail; the next interval tries again.
    if (!whole || !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = whole ? GetLastError() : writeError;
        DeleteFileW(temporary.c_str());
        return systemErrorText(error);
    }
    return {};
}

bool writeOut(std::string_view text) {
    DWORD written = 0;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
}

// No handle, or one that cannot be written: started with standard output closed.
HANDLE standardOutput() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return nullptr;
    return GetFileType(output) == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR ? nullptr : output;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    std::vector<std::string> texts;
    for (int i = 1; i < argc; ++i) texts.push_back(utf8(argv[i]));
    const std::vector<std::string_view> arguments(texts.begin(), texts.end());
    const ParsedConsoleLine parsed = parseConsoleCommandLine(arguments, widen);
    if (!parsed.error.empty()) {
        const std::string text = usageErrorText(kProgram, parsed.error);
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return kExitUsage;
    }
    const ConsoleOptions& options = parsed.options;
    if (options.action != ConsoleAction::Run) {
        const std::string text = options.action == ConsoleAction::ShowHelp
                                     ? helpText()
                                     : std::string(kProgram) + " (Vemtora) " VEMTORA_VERSION "\n";
        return writeOut(text) ? kExitOk : kExitRuntimeFailure;
    }
    const HANDLE output = standardOutput();
    if (output == nullptr && !options.logPath) {
        tellUser("standard output is closed and there is no --log FILE: the lines would go nowhere");
        return kExitUsage;
    }

    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    doneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent == nullptr || doneEvent == nullptr || !SetConsoleCtrlHandler(onConsoleControl, TRUE)) {
        tellUser("cannot watch for Ctrl+C: " + systemErrorText(GetLastError()));
        return kExitRuntimeFailure;
    }
    SerialPortLink link;
    const bool json = options.format == OutputFormat::Json;
    ConsoleLog log(output, !json);
    JsonLines jsonLines(log, options.settings.logTimeStamp);
    ReadingFanOut outputs;
    if (json) outputs.add(jsonLines);
    std::unique_ptr<metrics::MetricsFile> metricsFile;
    if (options.metricsFile) {
        const std::wstring path = *options.metricsFile;
        metricsFile = std::make_unique<metrics::MetricsFile>(
            utf8(std::wstring(portName(options.settings)).c_str()), utf8(path.c_str()),
            [path](std::string_view text) { return replaceFile(path, text); }, tellUser);
        outputs.add(*metricsFile);
    }
    int status = kExitOk;
    {
        ConsoleLogger logger(options, link, log, stopEvent, outputs.empty() ? nullptr : &outputs);
        status = logger.run();
    }
    SetEvent(doneEvent);
    return status;
}
