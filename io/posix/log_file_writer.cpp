// Opening, appending to and closing the log file.
#include "io/posix/log_file_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

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

LogFileWriter::LogFileWriter(std::function<std::optional<std::wstring>()> choosePath)
    : choosePath_(std::move(choosePath)) {}

LogFileWriter::~LogFileWriter() { close(); }

std::optional<std::wstring> LogFileWriter::chooseFile() {
    std::optional<std::wstring> path = choosePath_ ? choosePath_() : std::nullopt;
    if (path && path->size() > kMaxLogPathLength) return std::nullopt;
    return path;
}

bool LogFileWriter::open(const std::wstring& path) {
    close();
    const std::optional<std::string> name = posix::toUtf8Path(path);
    failure_ = logFailure();
    // A name that cannot be converted is shown with its convertible characters only.
    for (const wchar_t ch : path) failure_.path += ch > 0 && ch < 0x80 ? static_cast<char>(ch) : '?';
    if (!name) return failure_.record(FailureStep::Resolve, 0);
    failure_.path = *name;
    // O_NONBLOCK and O_NOCTTY: a named pipe or a terminal typed as the name must not hold the
    // window until some reader or carrier turns up. Mode 0666 leaves the final say to the
    // user's umask, like any editor saving a new file.
    posix::OwnedDescriptor file(retryOnInterrupt([&] {
        return ::open(name->c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    }));
    if (!file.isOpen()) return failure_.record(FailureStep::Open, errno);
    // Only a regular file takes lines whole, keeps them, and can be cut back on a full disk.
    struct stat status {};
    if (!succeeded(::fstat(file.get(), &status))) return failure_.record(FailureStep::Open, errno);
    if (!S_ISREG(status.st_mode)) return failure_.record(FailureStep::Kind, 0);
    // Advisory on Linux: it keeps out a second copy of this program and anything else that
    // locks, not a plain `echo >>`.
    if (!succeeded(retryOnInterrupt([&] { return ::flock(file.get(), LOCK_EX | LOCK_NB); }))) {
        return failure_.record(FailureStep::Hold, errno);
    }
    // Checked under the lock, so no other Vemtora can be halfway through a line.
    lineFeedOwed_ = endsInsideALine(file.get(), status);
    file_ = std::move(file);
    return true;
}

void LogFileWriter::appendLine(std::string_view line) {
    if (!file_.isOpen() || line.empty()) return;
    // A line cut off by a full disk would have the next line glued to it, so remember where
    // it began and cut the file back there if the write fails part way.
    lastLineLost_ = true;
    struct stat before {};
    if (!succeeded(::fstat(file_.get(), &before))) {
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
    retryOnInterrupt([&] { return ::ftruncate(file_.get(), before.st_size); });
}

void LogFileWriter::close() { file_.reset(); }

}  // namespace vemtora
