// The log file: a disk file only, held open without sharing, appended to.
#pragma once

#include "core/controller_interfaces.h"

namespace vemtora {

class LogFileWriter final : public LogFile {
public:
    LogFileWriter() = default;
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;
    ~LogFileWriter() override { close(); }

    bool open(const std::wstring& path) override;
    void appendLine(std::string_view line) override;
    void close() override;

    bool isOpen() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;  // a HANDLE
    bool lineFeedOwed_ = false;
};

}  // namespace vemtora
