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
    // Mode 0666 leaves the final say to the user's umask, like any editor saving a new file.
    posix::OwnedDescriptor file(retryOnInterrupt(
        [&] { return ::open(name->c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666); }));
    if (!file.isOpen()) return false;
    // Advisory on Linux: it keeps out a second copy of this program and anything else that
    // locks, not a plain `echo >>`.
    if (!succeeded(retryOnInterrupt([&] { return ::flock(file.get(), LOCK_EX | LOCK_NB); }))) return false;
    file_ = std::move(file);
    return true;
}

void LogFileWriter::appendLine(std::string_view line) {
    if (!file_.isOpen() || line.empty()) return;
    // A line cut off by a full disk would have the next line glued to it, so remember where
    // it began and cut the file back there if the write fails part way.
    struct stat before {};
    if (!succeeded(::fstat(file_.get(), &before))) return;
    if (writeAll(file_.get(), line)) return;
    retryOnInterrupt([&] { return ::ftruncate(file_.get(), before.st_size); });
}

void LogFileWriter::close() { file_.reset(); }

}  // namespace vemtora
