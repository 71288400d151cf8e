// Writing each log line to standard output and the log file.
#include "shell/logger/tee_log_file.h"

#include <cerrno>

#include "io/posix/failure.h"
#include "io/posix/whole_write.h"

namespace vemtora::logger {

TeeLogFile::TeeLogFile(int outputFd, std::optional<std::wstring> logPath, Report report)
    : outputFd_(outputFd), logPath_(std::move(logPath)), report_(std::move(report)) {
    if (logPath_) file_ = std::make_unique<LogFileWriter>([] { return std::optional<std::wstring>{}; });
}

TeeLogFile::~TeeLogFile() = default;

std::optional<std::wstring> TeeLogFile::chooseFile() { return logPath_ ? *logPath_ : std::wstring(); }

bool TeeLogFile::open(const std::wstring& path) { return !file_ || file_->open(path); }

void TeeLogFile::appendLine(std::string_view line) {
    // The file first: it is the record, and a closed pipe may end the program after this line.
    if (file_) {
        file_->appendLine(line);
        if (fileLosses_.changed(file_->lastLineLost())) {
            report_(file_->lastLineLost() ? posix::describeFailure(file_->lastFailure()) + "; lines are lost"
                                          : "writing to log file " + file_->lastFailure().path + " again");
        }
    }
    writeOutput(line);
}

void TeeLogFile::writeOutput(std::string_view line) {
    if (outputClosed_) return;
    // Unbuffered: every line reaches a pipe or tee whole, at once.
    const bool written = posix::writeAll(outputFd_, line);
    const int error = errno;
    if (!written && error == EPIPE) {
        outputClosed_ = true;
        return;
    }
    if (outputLosses_.changed(!written)) {
        report_(written ? std::string("writing to standard output again")
                        : "cannot write to standard output: " + posix::errorText(error) + "; lines are lost");
    }
}

void TeeLogFile::close() {
    if (file_) file_->close();
}

std::string TeeLogFile::openFailureText() const { return file_ ? posix::describeFailure(file_->lastFailure()) : ""; }

}  // namespace vemtora::logger
