// Writing standard output from its queue without blocking.
#include "shell/logger/standard_output.h"

#include "io/posix/failure.h"
#include "io/posix/posix_result.h"
#include "shell/logger/queued_write.h"

namespace vemtora::logger {

StandardOutput::StandardOutput(int fd, std::size_t capacity, bool logKept, Report report)
    : fd_(fd), queue_(capacity), logKept_(logKept), report_(std::move(report)) {}

std::string StandardOutput::notShown(std::size_t lines) const {
    return std::to_string(lines) + (lines == 1 ? " line was" : " lines were") + " not shown on standard output" +
           (logKept_ ? " (the log file has them)" : "");
}

void StandardOutput::write(std::string_view line) {
    if (closed_) return;
    const std::size_t dropped = queue_.push(line);
    if (dropped > 0 && notShown_ == 0) {
        report_(std::string("standard output is not being read; its oldest lines make room for new ones") +
                (logKept_ ? " (the log file has them all)" : ""));
    }
    notShown_ += dropped;
    flush();
}

void StandardOutput::flush() {
    if (!waiting()) return;
    const Written written = writeQueued();
    if (written == Written::Closed || written == Written::Failed) return;
    // A failure once cleared is said once, with the lines it cost.
    if (failures_.changed(false)) report_("writing to standard output again");
    if (written == Written::All && notShown_ > 0) {
        report_("standard output is being read again; " + notShown(notShown_));
        notShown_ = 0;
    }
}

Written StandardOutput::writeQueued() {
    const WriteOutcome outcome = writeQueuedLines(fd_, queue_);
    if (outcome.written == Written::Closed) closed_ = true;
    if (outcome.written == Written::Failed && failures_.changed(true)) {
        report_("cannot write to standard output: " + posix::errorText(outcome.error) + "; lines are lost");
    }
    return outcome.written;
}

void StandardOutput::finish(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    flush();
    while (waiting() && waitWritable(fd_, deadline)) flush();
    if (closed_) return;
    notShown_ += queue_.clear();
    if (notShown_ > 0) report_(notShown(notShown_));
    notShown_ = 0;
}

}  // namespace vemtora::logger
