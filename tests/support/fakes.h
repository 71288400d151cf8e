// Recording fakes of the controller's three interfaces.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/controller_interfaces.h"

namespace vemtora::testing {

class FakeSerialLink : public SerialLink {
public:
    bool open(std::wstring_view portName, std::int32_t baudRate) override {
        openCalls.push_back({std::wstring(portName), baudRate});
        isOpen = opens;
        return opens;
    }
    std::size_t poll(ReceiveBuffer& buffer) override {
        ++pollCount;
        if (pending.empty()) return 0;
        const std::string bytes = pending.front();
        pending.pop_front();
        const std::size_t n = bytes.size() < kMaxPollBytes ? bytes.size() : kMaxPollBytes;
        bytes.copy(buffer.data(), n);
        return n;
    }
    void close() override {
        ++closeCount;
        isOpen = false;
    }

    struct OpenCall {
        std::wstring portName;
        std::int32_t baudRate;
    };
    bool opens = true;
    bool isOpen = false;
    std::vector<OpenCall> openCalls;
    std::deque<std::string> pending;  // one entry per poll
    int pollCount = 0;
    int closeCount = 0;
};

class FakeLogFile : public LogFile {
public:
    bool open(const std::wstring& path) override {
        openedPaths.push_back(path);
        isOpen = opens;
        return opens;
    }
    void appendLine(std::string_view line) override { lines.emplace_back(line); }
    void close() override {
        ++closeCount;
        isOpen = false;
    }

    bool opens = true;
    bool isOpen = false;
    int closeCount = 0;
    std::vector<std::wstring> openedPaths;
    std::vector<std::string> lines;
};

class FakeShell : public ShellServices {
public:
    LocalTime localTime() override {
        const LocalTime read = now;
        // A clock that moves between two readings shows whether one tick read it twice.
        now.millisecond = static_cast<std::uint16_t>((now.millisecond + millisecondsPerRead) % 1000);
        return read;
    }
    std::optional<std::wstring> chooseLogFile() override {
        ++chooseCount;
        if (duringChoose) duringChoose();
        return chosenPath;
    }
    void restartReportTimer(std::int32_t periodMs) override { timerRestarts.push_back(periodMs); }
    void requestRepaint() override { ++repaints; }

    LocalTime now{9, 5, 7, 300};
    int millisecondsPerRead = 0;
    std::optional<std::wstring> chosenPath = L"/tmp/run.log";
    std::function<void()> duringChoose;  // what the user does while the dialog is up
    int chooseCount = 0;
    std::vector<std::int32_t> timerRestarts;
    int repaints = 0;
};

}  // namespace vemtora::testing
