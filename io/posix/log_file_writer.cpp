// Opening, appending to and closing the log file.
#include "io/posix/log_file_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "io/posix/posix_result.h"
#include "io/posix/utf8_path.h"

namespace vemtora {

namespace {

using posix::retryOnInterrupt;
using posix::succeeded;

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = retryOnInterrupt([&] { return ::write(fd, bytes.data(), bytes.size()); });
        // 0 would mean no progress; treat it as the failure it is rather than loop on it.
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

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
    if (!name) return false;
    // O_NONBLOCK and O_NOCTTY: a named pipe or a terminal typed as the name must not hold the
    // window until some reader or carrier turns up. Mode 0666 leaves the final say to the
    // user's umask, like any editor saving a new file.
    posix::OwnedDescriptor file(retryOnInterrupt([&] {
        return ::open(name->c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    }));
    if (!file.isOpen()) return false;
    // Only a regular file takes lines whole, keeps them, and can be cut back on a full disk.
    struct stat status {};
    if (!succeeded(::fstat(file.get(), &status)) || !S_ISREG(status.st_mode)) return false;
    // Advisory on Linux: it keeps out a second copy of this program and anything else that
    // locks, not a plain `echo >>`.
    if (!succeeded(retryOnInterrupt([&] { return ::flock(file.get(), LOCK_EX | LOCK_NB); }))) return false;
    // Checked under the lock, so no other Vemtora can be halfway through a line.
    lineFeedOwed_ = endsInsideALine(file.get(), status);
    file_ = std::move(file);
    return true;
}

void LogFileWriter::appendLine(std::string_view line) {
    if (!file_.isOpen() || line.empty()) return;
    // A line cut off by a full disk would have the next line glued to it, so remember where
    // it began and cut the file back there if the write fails part way.
    struct stat before {};
    if (!succeeded(::fstat(file_.get(), &before))) return;
    // Old text without its last line feed would swallow the first line: end it first, in the
    // same write, so both land or neither does.
    std::string ended;
    if (lineFeedOwed_) {
        ended.reserve(line.size() + 1);
        ended.append(1, '\n').append(line);
        line = ended;
    }
    if (writeAll(file_.get(), line)) {
        lineFeedOwed_ = false;
        return;
    }
    retryOnInterrupt([&] { return ::ftruncate(file_.get(), before.st_size); });
}

void LogFileWriter::close() { file_.reset(); }

}  // namespace vemtora
