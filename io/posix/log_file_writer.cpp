// Opening, appending to and closing the log file.
#include "io/posix/log_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "io/posix/exclusive_hold.h"
#include "io/posix/posix_result.h"
#include "io/posix/utf8_path.h"
#include "io/posix/whole_write.h"

namespace vemtora {

namespace {

using posix::FailureStep;
using posix::retryOnInterrupt;
using posix::succeeded;

// True when the file has content whose last byte is not a line feed.
bool endsInsideALine(int fd, const struct stat& status) {
    if (status.st_size == 0) return false;
    char last = '\n';
    return retryOnInterrupt([&] { return ::pread(fd, &last, 1, status.st_size - 1); }) == 1 && last != '\n';
}

}  // namespace

LogFileWriter::~LogFileWriter() { close(); }

bool LogFileWriter::open(const std::wstring& path) {
    close();
    const std::optional<std::string> name = posix::toUtf8Path(path);
    failure_ = logFailure();
    failure_.path = posix::shownPath(path);
    if (!name) return failure_.record(FailureStep::Resolve, 0);
    name_ = *name;
    if (openName()) return true;
    name_.clear();
    return false;
}

bool LogFileWriter::openName() {
    file_.reset();
    nextAttempt_ = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const char* name = name_.c_str();
    // Looked at before opening: opening a serial port can toggle its control lines and reset
    // the board behind it.
    struct stat named {};
    if (succeeded(::stat(name, &named)) && !S_ISREG(named.st_mode)) {
        // A folder gets the words open(2) would have given it.
        return S_ISDIR(named.st_mode) ? failure_.record(FailureStep::Open, EISDIR)
                                      : failure_.record(FailureStep::Kind, 0);
    }
    // O_NONBLOCK and O_NOCTTY: whatever takes the name's place before the open (a named pipe, a
    // terminal) must not hold the window until some reader or carrier turns up. Mode 0666 leaves
    // the final say to the user's umask, like any editor saving a new file.
    posix::OwnedDescriptor file(retryOnInterrupt(
        [&] { return ::open(name, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666); }));
    if (!file.isOpen()) return failure_.record(FailureStep::Open, errno);
    // Only a regular file takes lines whole, keeps them, and can be cut back on a full disk;
    // asked again, as the name may have changed hands since it was looked at.
    struct stat status {};
    if (!succeeded(::fstat(file.get(), &status))) return failure_.record(FailureStep::Open, errno);
    if (!S_ISREG(status.st_mode)) return failure_.record(FailureStep::Kind, 0);
    // Advisory on Linux: it keeps out a second copy of this program and anything else that
    // locks, not a plain `echo >>`.
    if (const int error = posix::takeExclusiveHold(file.get()); error != 0)
        return failure_.record(FailureStep::Hold, error);
    // Checked under the lock, so no other Vemtora can be halfway through a line.
    lineFeedOwed_ = endsInsideALine(file.get(), status);
    file_ = std::move(file);
    return true;
}

bool LogFileWriter::reopen() {
    if (name_.empty()) return false;
    foundNameGone_ = false;
    lastLineLost_ = !openName();
    return !lastLineLost_;
}

// When it cannot tell (the folder unreadable for a moment), the file keeps its name.
bool LogFileWriter::stillNamed(const struct stat& open) const {
    if (open.st_nlink == 0) return false;
    struct stat named {};
    if (!succeeded(::stat(name_.c_str(), &named))) return errno != ENOENT && errno != ENOTDIR;
    return named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

void LogFileWriter::appendLine(std::string_view line) {
    if (name_.empty() || line.empty()) return;
    // One fstat serves both the name check and the cut-back point while the file stays open.
    struct stat before {};
    bool described = file_.isOpen() && succeeded(::fstat(file_.get(), &before));
    foundNameGone_ = described && !stillNamed(before);
    if (foundNameGone_) {
        file_.reset();
        nextAttempt_ = {};
        described = false;
    }
    // A line cut off by a full disk would have the next line glued to it, so remember where
    // it began and cut the file back there if the write fails part way.
    lastLineLost_ = true;
    if (!file_.isOpen() && (std::chrono::steady_clock::now() < nextAttempt_ || !openName())) return;
    if (!described && !succeeded(::fstat(file_.get(), &before))) {
        failure_.record(FailureStep::Write, errno);
        return;
    }
    // Old text without its last line feed would swallow the first line: end it first, in the
    // same write, so both land or neither does.
    std::string ended;
    if (lineFeedOwed_) {
        ended.reserve(line.size() + 1);
        ended.append(1, '\n').append(line);
        line = ended;
    }
    if (posix::writeAll(file_.get(), line)) {
        lineFeedOwed_ = false;
        lastLineLost_ = false;
        return;
    }
    failure_.record(FailureStep::Write, errno);
    if (succeeded(retryOnInterrupt([&] { return ::ftruncate(file_.get(), before.st_size); }))) return;
    // Not cut back (an append-only file): whatever part landed must not have the next line glued
    // to it. When the file cannot say, an empty line is the lesser harm.
    struct stat after {};
    lineFeedOwed_ = !succeeded(::fstat(file_.get(), &after)) || endsInsideALine(file_.get(), after);
}

void LogFileWriter::close() {
    file_.reset();
    name_.clear();
    foundNameGone_ = false;
}

}  // namespace vemtora
