// The log file on Linux: an append-only file held with an flock, taking lines whole or not at all.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"
#include "io/posix/owned_descriptor.h"

namespace vemtora {

class LogFileWriter final : public LogFile {
public:
    // choosePath asks the user for a path (the shell's save dialog); nullopt when cancelled.
    explicit LogFileWriter(std::function<std::optional<std::wstring>()> choosePath);
    ~LogFileWriter() override;

    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    std::optional<std::wstring> chooseFile() override;
    bool open(const std::wstring& path) override;
    void appendLine(std::string_view line) override;
    void close() override;

private:
    std::function<std::optional<std::wstring>()> choosePath_;
    posix::OwnedDescriptor file_;
    bool lineFeedOwed_ = false;  // the file ended inside a line when it was opened
};

}  // namespace vemtora
