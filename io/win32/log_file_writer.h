// The log file: a disk file only, appended to; held open without sharing, or shared with
// readers where a program logs for days while others read the file.
#pragma once

#include "core/controller_interfaces.h"

namespace vemtora {

class LogFileWriter final : public LogFile {
public:
    enum class Sharing { None, Readers };

    explicit LogFileWriter(Sharing sharing = Sharing::None) : sharing_(sharing) {}
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;
    ~LogFileWriter() override { close(); }

    bool open(const std::wstring& path) override;
    void appendLine(std::string_view line) override;
    void close() override;

    bool isOpen() const { return handle_ != nullptr; }

private:
    Sharing sharing_;
    void* handle_ = nullptr;  // a HANDLE
    bool lineFeedOwed_ = false;
};

}  // namespace vemtora
