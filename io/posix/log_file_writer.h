// The log file on Linux: an append-only file held with advisory locks, taking lines whole or not at all.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <string_view>

#include "core/controller_interfaces.h"
#include "io/posix/failure.h"
#include "io/posix/owned_descriptor.h"

namespace vemtora {

class LogFileWriter final : public LogFile {
public:
    LogFileWriter() = default;
    ~LogFileWriter() override;

    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    bool open(const std::wstring& path) override;
    // Before each line the writer makes sure the file still has its name: when it was removed or
    // renamed away it opens the name again (a new file, locked), trying once a second while
    // that fails (its folder gone), and meanwhile lines are lost.
    void appendLine(std::string_view line) override;
    void close() override;
    // Closes the file and opens its name again, as after a rotation; false when that failed,
    // and then it is tried again as when the file went away.
    bool reopen();

    // Why the last open failed, or why the last line was lost.
    const posix::Failure& lastFailure() const { return failure_; }
    // The last appendLine wrote nothing (a full disk, a file-size limit, a file that could not
    // be opened again); the next may succeed.
    bool lastLineLost() const { return lastLineLost_; }
    // The last appendLine found the file no longer under its name, and opened the name again
    // (lastLineLost says whether that worked).
    bool foundNameGone() const { return foundNameGone_; }

private:
    static posix::Failure logFailure() {
        posix::Failure failure;
        failure.subject = posix::FailureSubject::LogFile;
        return failure;
    }

    bool openName();
    // open: the open file's status, as fstat gave it.
    bool stillNamed(const struct stat& open) const;

    posix::OwnedDescriptor file_;
    std::string name_;  // of the file the writer logs to, while open or opened again
    std::chrono::steady_clock::time_point nextAttempt_{};
    bool lineFeedOwed_ = false;  // the file ended inside a line when it was opened
    posix::Failure failure_ = logFailure();
    bool lastLineLost_ = false;
    bool foundNameGone_ = false;
};

}  // namespace vemtora
