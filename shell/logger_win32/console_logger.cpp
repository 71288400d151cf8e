// The Windows logger's loop on one thread: a wait on the stop event that times out at the next
// poll, report or reconnect, so a stop is seen at once and no tick needs a timer of the window's.
#include "shell/logger_win32/console_logger.h"

#include <windows.h>

#include <algorithm>

#include "core/reading_json.h"
#include "core/usage_text.h"

namespace vemtora::logger {

namespace {

constexpr std::string_view kProgram = "vemtora-logger";

bool writeAll(HANDLE handle, std::string_view text) {
    while (!text.empty()) {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
        if (!WriteFile(handle, text.data(), size, &written, nullptr) || written == 0) return false;
        text.remove_prefix(written);
    }
    return true;
}

std::string narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                            nullptr);
    }
    return bytes;
}

std::uint64_t fileTimeValue(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

void tellUser(std::string_view sentence) { writeAll(GetStdHandle(STD_ERROR_HANDLE), messageLine(kProgram, sentence)); }

std::string systemErrorText(unsigned long code) {
    char* buffer = nullptr;
    const DWORD size =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = size > 0 && buffer != nullptr ? std::string(buffer, size) : "error " + std::to_string(code);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

bool ConsoleLog::open(const std::wstring& path) {
    if (path.empty() || file_.open(path)) return true;
    tellUser("cannot open the log file " + narrow(path) + ": " + systemErrorText(GetLastError()));
    return false;
}

void ConsoleLog::appendLine(std::string_view line) {
    file_.appendLine(line);
    if (linesToOutput_) writeOutput(line);
}

void ConsoleLog::writeOutput(std::string_view text) {
    if (output_ == nullptr || outputClosed_) return;
    if (!writeAll(output_, text)) {
        const DWORD error = GetLastError();
        outputClosed_ = error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA;
    }
}

void JsonLines::takeReading(const IntervalReading& reading) {
    std::string line = readingJson(reading, stamp_);
    log_.writeOutput(line.append("\n"));
}

ConsoleLogger::ConsoleLogger(const ConsoleOptions& options, SerialPortLink& link, ConsoleLog& log, void* stopEvent,
                             ReadingSink* readings)
    : options_(options),
      link_(link),
      log_(log),
      stopEvent_(stopEvent),
      controller_(options.settings, link, log, *this) {
    if (readings != nullptr) controller_.setReadingSink(readings);
}

// The clock and its offset from one reading of the system's UTC clock, converted by the time
// zone's rules for that instant: summer time included, and no tick between two clock reads.
LocalTime ConsoleLogger::localTime() {
    FILETIME utcFile{};
    GetSystemTimeAsFileTime(&utcFile);
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    FILETIME localFile{};
    // Both back from SYSTEMTIME, so both lose the same fraction of a millisecond.
    if (!FileTimeToSystemTime(&utcFile, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !SystemTimeToFileTime(&local, &localFile) || !SystemTimeToFileTime(&utc, &utcFile)) {
        GetLocalTime(&local);
        return {local.wHour, local.wMinute, local.wSecond, local.wMilliseconds, local.wYear, local.wMonth, local.wDay};
    }
    LocalTime time{local.wHour, local.wMinute, local.wSecond, local.wMilliseconds,
                   local.wYear, local.wMonth,  local.wDay};
    // FILETIME counts 100 ns; real offsets lie within a day.
    const auto difference = static_cast<std::int64_t>(fileTimeValue(localFile) - fileTimeValue(utcFile));
    const std::int64_t minutes = difference / 600'000'000;
    if (minutes > -24 * 60 && minutes < 24 * 60) {
        time.utcOffsetMinutes = static_cast<std::int16_t>(minutes);
        time.hasUtcOffset = true;
    }
    return time;
}

void ConsoleLogger::restartReportTimer(std::int32_t periodMs) {
    reportPeriod_ = static_cast<std::uint64_t>(periodMs);
    nextReport_ = GetTickCount64() + reportPeriod_;
}

int ConsoleLogger::run() {
    controller_.initialise();
    controller_.startCollecting();
    if (!controller_.collecting()) {
        tellUser("cannot open " + narrow(portName(options_.settings)) + ": " + systemErrorText(link_.lastError()));
        return kExitRuntimeFailure;
    }
    controller_.startLogging();
    if (!controller_.logging()) return kExitRuntimeFailure;
    restartReportTimer(controller_.reportIntervalMs());
    std::uint64_t nextPoll = GetTickCount64() + kPollPeriodMs;
    const std::uint64_t end =
        options_.durationMs ? GetTickCount64() + static_cast<std::uint64_t>(*options_.durationMs) : UINT64_MAX;
    for (;;) {
        const std::uint64_t due = std::min({nextReport_, nextReconnect_ ? *nextReconnect_ : nextPoll, end});
        const std::uint64_t now = GetTickCount64();
        const DWORD wait = due > now ? static_cast<DWORD>(std::min<std::uint64_t>(due - now, 60'000)) : 0;
        if (WaitForSingleObject(stopEvent_, wait) == WAIT_OBJECT_0) break;
        const std::uint64_t after = GetTickCount64();
        // Bytes first, so frames that arrived with a report tick count in the interval they closed.
        if (!nextReconnect_ && after >= nextPoll) {
            controller_.onPollTick();
            // A late poll starts a fresh grid rather than catching up: the reads were all taken.
            nextPoll = std::max(nextPoll + kPollPeriodMs, after + 1);
            if (link_.deviceLost() && !onDeviceLost()) break;
        }
        if (after >= nextReport_) {
            // One line per report, however late; the grid stays where it was.
            nextReport_ += (after - nextReport_) / reportPeriod_ * reportPeriod_ + reportPeriod_;
            controller_.onReportTick();
            if (log_.outputClosed()) break;
        }
        if (nextReconnect_ && after >= *nextReconnect_) {
            onReconnectTick();
            if (!nextReconnect_) nextPoll = after + kPollPeriodMs;
        }
        // After the report it may come with, as a stop would end the run.
        if (after >= end) break;
    }
    controller_.shutdown();
    return exitStatus_;
}

bool ConsoleLogger::onDeviceLost() {
    const std::string why = narrow(portName(options_.settings)) + " went away: " + systemErrorText(link_.lastError());
    // Stop and Start as a user would: no frame joins bytes from before the loss with bytes after.
    controller_.stopCollecting();
    if (!options_.reconnect) {
        tellUser(why + "; exiting (--no-reconnect)");
        exitStatus_ = kExitRuntimeFailure;
        return false;
    }
    tellUser(why + "; trying to open it again every second");
    nextReconnect_ = GetTickCount64() + kReconnectPeriodMs;
    return true;
}

void ConsoleLogger::onReconnectTick() {
    controller_.startCollecting();
    if (!controller_.collecting()) {
        *nextReconnect_ += kReconnectPeriodMs;
        return;
    }
    nextReconnect_.reset();
    tellUser(narrow(portName(options_.settings)) + " is back; reading again");
}

}  // namespace vemtora::logger
