// The log file on Linux: an append-only file held with an flock, taking lines whole or not at all.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"
#include "io/posix/failure.h"
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

    // Why the last open failed, or why the last line was lost.
    const posix::Failure& lastFailure() const { return failure_; }
    // The last appendLine wrote nothing (a full disk, a file-size limit); the next may succeed.
    bool lastLineLost() const { return lastLineLost_; }

private:
    static posix::Failure logFailure() {
        posix::Failure failure;
        failure.subject = posix::FailureSubject::LogFile;
        return failure;
    }

    std::function<std::optional<std::wstring>()> choosePath_;
    posix::OwnedDescriptor file_;
    bool lineFeedOwed_ = false;  // the file ended inside a line when it was opened
    posix::Failure failure_ = logFailure();
    bool lastLineLost_ = false;
};

}  // namespace vemtora
