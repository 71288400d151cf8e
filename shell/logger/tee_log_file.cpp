// Writing each log line to standard output and the log file.
#include "shell/logger/tee_log_file.h"

#include "io/posix/failure.h"

namespace vemtora::logger {

TeeLogFile::TeeLogFile(int outputFd, std::optional<std::wstring> logPath, Report report, bool linesToOutput)
    : report_(std::move(report)), linesToOutput_(linesToOutput) {
    if (logPath) file_ = std::make_unique<LogFileWriter>();
    if (outputFd >= 0)
        output_ = std::make_unique<StandardOutput>(outputFd, kOutputQueueBytes, logPath.has_value(), report_);
}

TeeLogFile::~TeeLogFile() = default;

bool TeeLogFile::open(const std::wstring& path) { return !file_ || file_->open(path); }

void TeeLogFile::appendLine(std::string_view line) {
    // The file first: it is the record, and a closed pipe may end the program after this line.
    if (file_) {
        file_->appendLine(line);
        reportFileState();
    }
    if (output_ && linesToOutput_) output_->write(line);
}

void TeeLogFile::reopenFile() {
    if (!file_) return;
    file_->reopen();
    reportFileState();
}

void TeeLogFile::reportFileState() {
    const posix::Failure& failure = file_->lastFailure();
    if (file_->foundNameGone()) report_("log file " + failure.path + " was removed or renamed; opening it again");
    if (!fileLosses_.changed(file_->lastLineLost())) return;
    if (!file_->lastLineLost()) {
        report_("writing to log file " + failure.path + " again");
    } else if (failure.step == posix::FailureStep::Write) {
        report_(posix::describeFailure(failure) + "; lines are lost");
    } else {
        report_(posix::describeFailure(failure) + "; lines are lost, trying again every second");
    }
}

void TeeLogFile::close() {
    if (file_) file_->close();
}

std::string TeeLogFile::openFailureText() const { return file_ ? posix::describeFailure(file_->lastFailure()) : ""; }

}  // namespace vemtora::logger
